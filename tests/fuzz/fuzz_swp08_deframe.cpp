// Arbitrary bytes from an SW-P-08 client, in chunks, through the deframer
// and the gateway's endpoint. Every message taken framed again reads back
// the same; the client gets only ACK, NAK and its own answers; another
// client gets nothing; the host gets only RC texts within the level.
#include "gateway/swp08_frame.h"
#include "tests/fuzz/gateway_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t chunk = size ? data[0] % 16 + 1 : 1;
    swp08::Deframer d;
    StartGateway(gw::kSwp08, 300);
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
        CheckHostLines(out, 300, false);
    }
    return 0;
}
