// Arbitrary text from a Videohub client, in chunks, through the block
// reader and the gateway's endpoint. Every block stays within its bounds;
// the client gets answers, another client only lock changes; the host gets
// only RC and RL texts within the level.
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>

#include "gateway/gateway.h"
#include "gateway/videohub_blocks.h"

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

void Start()
{
    gw::Site site;
    site.levels.push_back(gw::LevelDef{0, 101, 16, 12});
    gw::Options o;
    o.requester = 50;
    gw::Outbox out;
    gw::Gateway_Start(site, gw::Names(), o);
    gw::Gateway_HostUp(1, out);
    gw::Gateway_HostLine("INQTXRX 101 1", 1, out);
    gw::Gateway_HostLine("TXREPLY 32818 RR 101 012 007", 1, out);
    gw::Gateway_ClientOpen(1, 0, 1, out);
    gw::Gateway_ClientOpen(2, 0, 1, out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::regex rc("RC 101 ([0-9]+) ([0-9]+) ',---' 50");
    static const std::regex rl("RL 101 ([0-9]+) \\1 [01] 50");
    size_t chunk = size ? data[0] % 32 + 1 : 1;
    videohub::BlockReader reader;
    Start();
    for (size_t at = 0; at < size; at += chunk) {
        size_t n = size - at < chunk ? size - at : chunk;
        std::vector<videohub::Block> blocks;
        reader.Feed((const char*)data + at, n, blocks);
        for (const videohub::Block& b : blocks) {
            Check(b.lines.size() <= videohub::kMaxBlockLines);
            for (const std::string& l : b.lines)
                Check(l.size() <= videohub::kMaxLine && l.find('\n') == std::string::npos);
        }
        gw::Outbox out;
        gw::Gateway_ClientBytes(1, (const char*)data + at, n, 1, out);
        for (const auto& item : out.clients)
            Check(item.first == 1 || item.second.rfind("VIDEO OUTPUT LOCKS:\n", 0) == 0);
        for (const std::string& line : out.host) {
            std::smatch m;
            if (std::regex_match(line, m, rl)) {
                int dest = std::atoi(m[1].str().c_str());
                Check(dest >= 1 && dest <= 12);
                continue;
            }
            Check(std::regex_match(line, m, rc));
            int source = std::atoi(m[1].str().c_str()), dest = std::atoi(m[2].str().c_str());
            Check(source >= 0 && source <= 16 && dest >= 1 && dest <= 12);
        }
    }
    return 0;
}
