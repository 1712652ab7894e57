#include "gateway/swp08_frame.h"

namespace swp08 {

uint8_t Checksum(const uint8_t* bytes, size_t n)
{
    unsigned sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum += bytes[i];
    return (uint8_t)(0x100 - (sum & 0xFF));
}

std::string Frame(const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> body(data);
    body.push_back((uint8_t)data.size());
    body.push_back(Checksum(body.data(), body.size()));
    std::string out{(char)DLE, (char)STX};
    for (uint8_t b : body) {
        out += (char)b;
        if (b == DLE)
            out += (char)DLE;
    }
    out += (char)DLE;
    out += (char)ETX;
    return out;
}

std::string AckBytes() { return std::string{(char)DLE, (char)ACK}; }
std::string NakBytes() { return std::string{(char)DLE, (char)NAK}; }

namespace {

// DATA, BTC, CHK: the count matches and everything adds up to 0.
bool Proven(const std::vector<uint8_t>& body)
{
    if (body.size() < 3 || body[body.size() - 2] != body.size() - 2)
        return false;
    return Checksum(body.data(), body.size()) == 0;
}

}  // namespace

void Deframer::Finish(std::vector<Event>& out)
{
    state_ = IDLE;
    if (overflow_ || !Proven(body_)) {
        out.push_back({Event::BAD, {}});
        return;
    }
    body_.resize(body_.size() - 2);
    out.push_back({Event::MESSAGE, body_});
}

void Deframer::Body(uint8_t b)
{
    if (b == DLE) {
        state_ = BODY_DLE;
        return;
    }
    state_ = BODY;
    Append(b);
}

void Deframer::Append(uint8_t b)
{
    if (body_.size() >= kMaxData + 2)
        overflow_ = true;   // still read to its end, then answered NAK
    else
        body_.push_back(b);
}

void Deframer::Feed(const uint8_t* bytes, size_t n, std::vector<Event>& out)
{
    for (size_t i = 0; i < n; ++i) {
        uint8_t b = bytes[i];
        switch (state_) {
        case IDLE:
            if (b == DLE)
                state_ = IDLE_DLE;
            break;
        case IDLE_DLE:
            state_ = IDLE;
            if (b == STX) {
                body_.clear();
                overflow_ = false;
                state_ = BODY;
            } else if (b == ACK) {
                out.push_back({Event::ACK_SEEN, {}});
            } else if (b == NAK) {
                out.push_back({Event::NAK_SEEN, {}});
            } else if (b == DLE) {
                state_ = IDLE_DLE;
            }
            break;
        case BODY:
            Body(b);
            break;
        case BODY_STUFFED:
            // "10 10 03": a doubled DLE then data 03, or an undoubled CHK of
            // 0x10 and the end; the count and checksum decide.
            if (b == ETX && Proven(body_)) {
                Finish(out);
                break;
            }
            Body(b);
            break;
        case BODY_DLE:
            if (b == DLE) {
                Append(DLE);
                state_ = BODY_STUFFED;
            } else if (b == ETX) {
                Finish(out);
            } else if (b == STX) {
                if (!body_.empty())
                    out.push_back({Event::BAD, {}});   // a new frame cuts this one short
                body_.clear();
                overflow_ = false;
                state_ = BODY;
            } else if (b == ACK || b == NAK) {
                // An answer may arrive between the bytes of a message.
                out.push_back({b == ACK ? Event::ACK_SEEN : Event::NAK_SEEN, {}});
                state_ = BODY;
            } else {
                // An undoubled 0x10 in BTC or CHK followed by a plain byte.
                Append(DLE);
                Body(b);
            }
            break;
        }
    }
}

}  // namespace swp08
