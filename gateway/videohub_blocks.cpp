#include "gateway/videohub_blocks.h"

namespace videohub {

void BlockReader::Line(std::vector<Block>& out)
{
    if (!line_.empty() && line_.back() == '\r')
        line_.pop_back();
    bool tooLong = lineTooLong_;
    std::string line;
    line.swap(line_);
    lineTooLong_ = false;
    if (!inBlock_) {
        if (line.empty() && !tooLong)
            return;
        inBlock_ = true;
        block_ = Block();
        block_.bad = tooLong || line.empty() || line.back() != ':';
        if (!block_.bad)
            block_.header = line.substr(0, line.size() - 1);
        return;
    }
    if (line.empty() && !tooLong) {
        inBlock_ = false;
        out.push_back(std::move(block_));
        return;
    }
    if (tooLong || block_.lines.size() >= kMaxBlockLines) {
        block_.bad = true;
        block_.lines.clear();
        return;
    }
    if (!block_.bad)
        block_.lines.push_back(line);
}

void BlockReader::Feed(const char* bytes, size_t n, std::vector<Block>& out)
{
    for (size_t i = 0; i < n; ++i) {
        if (bytes[i] == '\n') {
            Line(out);
        } else if (line_.size() >= kMaxLine) {
            lineTooLong_ = true;
        } else {
            line_ += bytes[i];
        }
    }
}

int Number(const std::string& text)
{
    if (text.empty() || text.size() > 5)
        return -1;
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

bool SplitLine(const std::string& line, int* number, std::string* rest)
{
    size_t blank = line.find(' ');
    if (blank == std::string::npos || blank + 1 >= line.size())
        return false;
    *number = Number(line.substr(0, blank));
    *rest = line.substr(blank + 1);
    return *number >= 0;
}

}  // namespace videohub
