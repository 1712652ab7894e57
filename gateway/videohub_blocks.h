// Videohub Ethernet protocol text: a block is a header line ending with a
// colon, its lines, and one blank line. Lines end with LF (CR LF accepted).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace videohub {

const size_t kMaxLine = 256;        // longer lines spoil their block
const size_t kMaxBlockLines = 4096; // a routing block for a 1024-output level fits

struct Block {
    std::string header;              // without its colon
    std::vector<std::string> lines;
    bool bad = false;                // no colon, a line too long, or too many lines
};

// Collects a client's bytes into whole blocks. Blank lines between blocks
// are skipped; a bad block is still read to its blank line (and answered
// NAK), so the client stays in step.
class BlockReader {
public:
    void Feed(const char* bytes, size_t n, std::vector<Block>& out);

private:
    void Line(std::vector<Block>& out);
    std::string line_;
    bool lineTooLong_ = false;
    bool inBlock_ = false;
    Block block_;
};

// "<a> <b>" with a a decimal number and b the rest after one blank: false
// when a is not a number (no sign, at most 5 digits) or b is empty.
bool SplitLine(const std::string& line, int* number, std::string* rest);
// A whole decimal number (no sign, at most 5 digits); -1 otherwise.
int Number(const std::string& text);

}  // namespace videohub
