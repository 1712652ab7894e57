// The gateway's codecs byte for byte: SW-P-08 framing, checksums, DLE
// doubling, every command's bytes, and the Videohub block reader.
#include <gtest/gtest.h>

#include "gateway/swp08_frame.h"
#include "gateway/swp08_messages.h"
#include "gateway/videohub_blocks.h"

using namespace swp08;
typedef std::vector<uint8_t> Bytes;

namespace {

std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

std::vector<Event> Deframe(const std::string& in, bool byteByByte)
{
    Deframer d;
    std::vector<Event> out;
    if (!byteByByte)
        d.Feed((const uint8_t*)in.data(), in.size(), out);
    for (size_t i = 0; byteByByte && i < in.size(); ++i)
        d.Feed((const uint8_t*)in.data() + i, 1, out);
    return out;
}

// Events as text: M<hex of DATA> A N B.
std::string Show(const std::vector<Event>& events)
{
    std::string s;
    for (const Event& e : events) {
        s += " ";
        s += "MANB"[e.kind];
        for (uint8_t b : e.data) {
            char h[4];
            snprintf(h, sizeof h, "%02x", b);
            s += h;
        }
    }
    return s;
}

}  // namespace

TEST(Swp08Frame, FramesCountChecksumAndDoubling)
{
    struct { Bytes data; Bytes wire; } rows[] = {
        // The protocol document's own example: connect, destination 2, source 0.
        {{0x02, 0x11, 0x00, 0x02, 0x00}, {0x10, 0x02, 0x02, 0x11, 0x00, 0x02, 0x00, 0x05, 0xE6, 0x10, 0x03}},
        // A 0x10 in DATA is doubled; so is a CHK of 0x10 (sum 0xF0).
        {{0x10, 0xDF}, {0x10, 0x02, 0x10, 0x10, 0xDF, 0x02, 0x0F, 0x10, 0x03}},
        {{0x01, 0xED}, {0x10, 0x02, 0x01, 0xED, 0x02, 0x10, 0x10, 0x10, 0x03}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(Frame(r.data), Str(r.wire));
        EXPECT_EQ(Show(Deframe(Str(r.wire), true)), Show({{Event::MESSAGE, r.data}}));
    }
}

TEST(Swp08Frame, DeframerEvents)
{
    std::string good = Frame({0x01, 0x00, 0x00, 0x05});
    std::string bad = good;
    bad[6] ^= 1;   // checksum
    struct { std::string in; const char* events; } rows[] = {
        {"\x10\x06", " A"},
        {"\x10\x15", " N"},
        {"xy\x10\x10\x10" + good, " M01000005"},           // bytes outside frames skipped
        {bad + good, " B M01000005"},
        {std::string("\x10\x02\x01\x01\xFE\x10\x03", 7), " M01"},
        {std::string("\x10\x02\x01\x02\xFD\x10\x03", 7), " B"},   // count wrong
        {std::string("\x10\x02\x01\x10\x06\x01\x02\xFC\x10\x03", 10), " A M0101"},   // ACK inside a frame
        {std::string("\x10\x02\x01\x10\x02", 5) + good, " B M01000005"},   // a frame cut short by the next
        // A client that doubles only DATA: an undoubled CHK or BTC of 0x10.
        {std::string("\x10\x02\x01\xED\x02\x10\x10\x03", 8), " M01ed"},
        {std::string("\x10\x02\x10\x10\x03\xDD\x03\x0D\x10\x03", 10), " M1003dd"},
        {std::string("\x10\x02", 2) + std::string(300, '\x01') + "\x10\x03" + good, " B M01000005"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(Show(Deframe(r.in, false)), r.events) << Show(Deframe(r.in, false));
        EXPECT_EQ(Show(Deframe(r.in, true)), r.events);
    }
}

TEST(Swp08Messages, CrosspointForms)
{
    Crosspoint xp;
    xp.matrix = 1; xp.level = 2; xp.dest = 300; xp.src = 900;
    struct { uint8_t cmd; Bytes bytes; } rows[] = {
        {INTERROGATE, {1, 0x12, 0x20, 44}},
        {CONNECT, {2, 0x12, 0x27, 44, 4}},
        {TALLY, {3, 0x12, 0x27, 44, 4}},
        {CONNECTED, {4, 0x12, 0x27, 44, 4}},
        {EXT_INTERROGATE, {129, 1, 2, 1, 44}},
        {EXT_CONNECT, {130, 1, 2, 1, 44, 3, 132}},
        {EXT_TALLY, {131, 1, 2, 1, 44, 3, 132}},
        {EXT_CONNECTED, {132, 1, 2, 1, 44, 3, 132}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(CrosspointMessage(r.cmd, xp), r.bytes) << (int)r.cmd;
        Crosspoint back;
        ASSERT_TRUE(ReadCrosspoint(r.bytes, &back));
        bool src = r.cmd != INTERROGATE && r.cmd != EXT_INTERROGATE;
        EXPECT_EQ(back.matrix * 1000000 + back.level * 100000 + back.dest * 100 + back.src,
                  1000000 + 200000 + 30000 + (src ? 900 : 0));
        Bytes cut(r.bytes.begin(), r.bytes.end() - 1);
        EXPECT_FALSE(ReadCrosspoint(cut, &back));
    }
}

TEST(Swp08Messages, TallyDumpsAndNames)
{
    // Byte form while every number fits 0-191, word form past it, extended
    // on request; at most 128 bytes a message.
    EXPECT_EQ(TallyDump(false, 0, 1, 2, {5, 6}), std::vector<Bytes>({{22, 0x01, 2, 2, 5, 6}}));
    EXPECT_EQ(TallyDump(false, 0, 1, 2, {192}), std::vector<Bytes>({{23, 0x01, 1, 0, 2, 0, 192}}));
    EXPECT_EQ(TallyDump(true, 0, 1, 258, {513}), std::vector<Bytes>({{151, 0, 1, 1, 1, 2, 2, 1}}));
    std::vector<Bytes> big = TallyDump(true, 0, 0, 0, std::vector<int>(1024, 300));
    size_t total = 0;
    for (const Bytes& m : big) {
        EXPECT_LE(m.size(), kMaxMessage);
        EXPECT_EQ(m[4] * 256 + m[5], (int)total);
        total += m[3];
    }
    EXPECT_EQ(total, 1024u);

    EXPECT_EQ(NameMessages(SOURCE_NAMES, 0, 3, 0, 0, {"CAM", "VTR 12"}),
              std::vector<Bytes>({{106, 0x03, 0, 0, 0, 2, 'C', 'A', 'M', ' ', 'V', 'T', 'R', ' '}}));
    EXPECT_EQ(NameMessages(DEST_NAMES, 1, 3, 0, 0, {"MON"})[0], Bytes({107, 0x10, 0, 0, 0, 1, 'M', 'O', 'N', ' '}));
    EXPECT_EQ(NameMessages(EXT_SOURCE_NAMES, 1, 3, 0, 0, {"A"})[0], Bytes({234, 1, 3, 0, 0, 0, 1, 'A', ' ', ' ', ' '}));
    EXPECT_EQ(NameMessages(EXT_DEST_NAMES, 1, 3, 0, 0, {"A"})[0], Bytes({235, 1, 0, 0, 0, 1, 'A', ' ', ' ', ' '}));
    std::vector<Bytes> names = NameMessages(EXT_DEST_NAMES, 0, 0, 4, 0, std::vector<std::string>(10, "N"));
    ASSERT_EQ(names.size(), 4u);   // 3 names of 32 characters a message
    EXPECT_EQ(names[3][3] * 256 + names[3][4], 9);
    EXPECT_TRUE(NameMessages(SOURCE_NAMES, 0, 0, 5, 0, {"A"}).empty());
}

TEST(VideohubBlocks, Reader)
{
    struct { std::string in; const char* blocks; } rows[] = {
        {"PING:\n\n", "[PING]"},
        {"\r\n\nVIDEO OUTPUT ROUTING:\r\n7 2\r\n8 3\r\n\r\nPING:\n\n", "[VIDEO OUTPUT ROUTING|7 2|8 3][PING]"},
        {"NO COLON\n1 2\n\nPING:\n\n", "[!][PING]"},
        {"X:\n" + std::string(300, 'a') + "\n\nPING:\n\n", "[!][PING]"},
        {"X:\n1 2\n", ""},   // not finished yet
    };
    for (const auto& r : rows) {
        for (size_t chunk : {r.in.size(), (size_t)1}) {
            videohub::BlockReader reader;
            std::vector<videohub::Block> out;
            for (size_t i = 0; i < r.in.size(); i += chunk)
                reader.Feed(r.in.data() + i, std::min(chunk, r.in.size() - i), out);
            std::string got;
            for (const auto& b : out) {
                got += b.bad ? "[!" : "[" + b.header;
                for (const auto& l : b.lines)
                    got += "|" + l;
                got += "]";
            }
            EXPECT_EQ(got, r.blocks) << r.in;
        }
    }
}
