// Arbitrary text from a Videohub client, in chunks, through the block
// reader and the gateway's endpoint. Every block stays within its bounds;
// the client gets answers, another client only lock changes; the host gets
// only RC and RL texts within the level.
#include "gateway/videohub_blocks.h"
#include "tests/fuzz/gateway_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t chunk = size ? data[0] % 32 + 1 : 1;
    videohub::BlockReader reader;
    StartGateway(0, 16);
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
        CheckHostLines(out, 16, true);
    }
    return 0;
}
