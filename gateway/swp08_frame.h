// SW-P-08 data link layer: DLE STX, DATA, BTC, CHK, DLE ETX, with every
// 0x10 inside DATA, BTC and CHK sent twice, and the DLE ACK / DLE NAK
// answers. Pure byte handling, shared by the gateway and its fuzz target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace swp08 {

const uint8_t DLE = 0x10, STX = 0x02, ETX = 0x03, ACK = 0x06, NAK = 0x15;
// BTC is one byte, so DATA holds at most 255 bytes.
const size_t kMaxData = 255;

// Two's complement of the 8-bit sum: DATA + BTC + CHK add up to 0.
uint8_t Checksum(const uint8_t* bytes, size_t n);

// One framed message with its count and checksum, DLEs doubled.
std::string Frame(const std::vector<uint8_t>& data);
std::string AckBytes();
std::string NakBytes();

struct Event {
    enum Kind { MESSAGE, ACK_SEEN, NAK_SEEN, BAD } kind;
    std::vector<uint8_t> data;   // DATA of a MESSAGE (command byte first)
};

// Turns received bytes into messages, ACKs, NAKs and bad frames (which the
// receiver answers with NAK). Bytes outside a frame are skipped. A frame
// whose BTC or CHK holds an undoubled 0x10 is still taken when its count and
// checksum prove it (some clients double only the DATA bytes).
class Deframer {
public:
    void Feed(const uint8_t* bytes, size_t n, std::vector<Event>& out);

private:
    enum State { IDLE, IDLE_DLE, BODY, BODY_DLE, BODY_STUFFED };
    void Body(uint8_t b);
    void Append(uint8_t b);
    void Finish(std::vector<Event>& out);
    State state_ = IDLE;
    std::vector<uint8_t> body_;   // DATA, BTC, CHK without doubled DLEs
    bool overflow_ = false;
};

}  // namespace swp08
