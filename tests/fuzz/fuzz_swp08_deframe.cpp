// Arbitrary bytes from an SW-P-08 client, in chunks, through the deframer
// and the gateway's endpoint. Every message taken framed again reads back
// the same; the client gets only ACK, NAK and its own answers; another
// client gets nothing; the host gets only RC texts within the level.
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>

#include "gateway/gateway.h"
#include "gateway/swp08_frame.h"

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

void Start()
{
    gw::Site site;
    site.levels.push_back(gw::LevelDef{0, 101, 300, 12});
    gw::Options o;
    o.requester = 50;
    gw::Outbox out;
    gw::Gateway_Start(site, gw::Names(), o);
    gw::Gateway_HostUp(1, out);
    gw::Gateway_HostLine("INQTXRX 101 1", 1, out);
    gw::Gateway_HostLine("TXREPLY 32818 RR 101 012 007", 1, out);
    gw::Gateway_ClientOpen(1, gw::kSwp08, 1, out);
    gw::Gateway_ClientOpen(2, gw::kSwp08, 1, out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::regex rc("RC 101 ([0-9]+) ([0-9]+) ',---' 50");
    size_t chunk = size ? data[0] % 16 + 1 : 1;
    swp08::Deframer d;
    Start();
    uint64_t now = 1;
    for (size_t at = 0; at < size; at += chunk) {
        size_t n = size - at < chunk ? size - at : chunk;
        std::vector<swp08::Event> events;
        d.Feed(data + at, n, events);
        for (const swp08::Event& e : events) {
            if (e.kind != swp08::Event::MESSAGE)
                continue;
            Check(!e.data.empty() && e.data.size() <= swp08::kMaxData);
            std::string again = swp08::Frame(e.data);
            swp08::Deframer fresh;
            std::vector<swp08::Event> back;
            fresh.Feed((const uint8_t*)again.data(), again.size(), back);
            Check(back.size() == 1 && back[0].data == e.data);
        }
        gw::Outbox out;
        gw::Gateway_ClientBytes(1, (const char*)data + at, n, now, out);
        gw::Gateway_Tick(now += 300, out);
        for (const auto& item : out.clients)
            Check(item.first == 1);
        for (const std::string& line : out.host) {
            std::smatch m;
            Check(std::regex_match(line, m, rc));
            int source = std::atoi(m[1].str().c_str()), dest = std::atoi(m[2].str().c_str());
            Check(source >= 0 && source <= 300 && dest >= 1 && dest <= 12);
        }
    }
    return 0;
}
