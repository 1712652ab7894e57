// Shared by the gateway's fuzz targets: a gateway serving one present
// level (device 101, 12 destinations) to two clients of one endpoint, and
// the check that what reaches the host is an inquiry, or an RC (or RL)
// text within the level.
#pragma once

#include <cstdlib>
#include <regex>
#include <string>

#include "gateway/gateway.h"

inline void Check(bool ok)
{
    if (!ok)
        std::abort();
}

inline void StartGateway(int endpoint, int sources)
{
    gw::Site site;
    site.levels.push_back(gw::LevelDef{0, 101, sources, 12});
    gw::Options o;
    o.requester = 50;
    gw::Outbox out;
    gw::Gateway_Start(site, gw::Names(), o);
    gw::Gateway_HostUp(1, out);
    gw::Gateway_HostLine("INQTXRX 101 1", 1, out);
    gw::Gateway_HostLine("TXREPLY 32818 RR 101 012 007", 1, out);
    gw::Gateway_ClientOpen(1, endpoint, 1, out);
    gw::Gateway_ClientOpen(2, endpoint, 1, out);
}

inline void CheckHostLines(const gw::Outbox& out, int sources, bool locks)
{
    static const std::regex rc("RC 101 ([0-9]+) ([0-9]+) ',---' 50");
    static const std::regex rl("RL 101 ([0-9]+) \\1 [01] 50");
    for (const std::string& line : out.host) {
        if (line == "!INQTXRX 101")
            continue;   // the gateway's own inquiry
        std::smatch m;
        bool lock = locks && std::regex_match(line, m, rl);
        Check(lock || std::regex_match(line, m, rc));
        int source = lock ? 0 : std::atoi(m[1].str().c_str());
        int dest = std::atoi(m[lock ? 1 : 2].str().c_str());
        Check(source >= 0 && source <= sources && dest >= 1 && dest <= 12);
    }
}
