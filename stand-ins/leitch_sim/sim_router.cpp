#include "sim_router.h"

#include <cctype>
#include <cstdio>

namespace sim {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = (char)std::toupper((unsigned char)c);
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

namespace {

// Reads hexadecimal digits at pos (at least one, at most 8).
bool ReadHex(const std::string& s, size_t* pos, unsigned long* value)
{
    size_t start = *pos;
    unsigned long v = 0;
    while (*pos < s.size() && HexDigit(s[*pos]) >= 0 && *pos - start < 8)
        v = v * 16 + (unsigned long)HexDigit(s[(*pos)++]);
    *value = v;
    return *pos > start && (*pos == s.size() || HexDigit(s[*pos]) < 0);
}

bool Expect(const std::string& s, size_t* pos, char c)
{
    if (*pos >= s.size() || s[*pos] != c)
        return false;
    ++*pos;
    return true;
}

}  // namespace

Command ParseCommand(const std::string& line)
{
    Command cmd;
    const std::pair<const char*, CommandKind> fixed[] = {
        {"@ ?", CMD_REPORT_ON}, {"@ !", CMD_REPORT_OFF}, {"T F", CMD_FIXED}};
    for (const auto& f : fixed)
        if (line == f.first) {
            cmd.kind = f.second;
            return cmd;
        }
    if (line.size() < 5 || line.compare(0, 3, "@ X") != 0)
        return cmd;
    size_t pos = 4;
    unsigned long level, dest, source;
    if (line[3] == '?') {
        // One digit of level, the rest is the destination.
        if (HexDigit(line[4]) < 0)
            return cmd;
        level = (unsigned long)HexDigit(line[4]);
        pos = 5;
        if (!ReadHex(line, &pos, &dest) || pos != line.size())
            return cmd;
        cmd.kind = CMD_QUERY;
    } else if (line[3] == ':') {
        if (!ReadHex(line, &pos, &level) || !Expect(line, &pos, '/') || !ReadHex(line, &pos, &dest) ||
            !Expect(line, &pos, ',') || !ReadHex(line, &pos, &source) || pos != line.size())
            return cmd;
        cmd.kind = CMD_TAKE;
        cmd.source = source == 0xFFFFFFFFul ? NO_SOURCE : (long)source;
    } else {
        return cmd;
    }
    cmd.level = level < LEVELS ? (int)level : LEVELS;
    cmd.dest = (long)dest;
    return cmd;
}

namespace {

std::string Hex(long value, bool lower, int pad)
{
    char text[32];
    std::snprintf(text, sizeof text, lower ? "%0*lx" : "%0*lX", pad, value);
    return text;
}

}  // namespace

std::string StatusLine(int level, long dest, long source, bool lower, int pad)
{
    return "S:" + Hex(level, lower, 0) + Hex(dest, lower, pad) + "," +
           (source == NO_SOURCE ? "X" : Hex(source, lower, pad)) + "\r\n";
}

void Router::Size(int level, int sources, int dests)
{
    Level& l = levels_[level];
    if (sources <= 0 || dests <= 0)
        sources = dests = 0;
    l.sources = sources;
    l.dests = dests;
    l.xpt.assign((size_t)dests, NO_SOURCE);
}

bool Router::HasDest(int level, long dest) const
{
    return level >= 0 && level < LEVELS && dest >= 0 && dest < levels_[level].dests;
}

bool Router::ValidSource(int level, long source) const
{
    if (level < 0 || level >= LEVELS)
        return false;
    return source == NO_SOURCE || (source >= 0 && source < levels_[level].sources);
}

long Router::Get(int level, long dest) const
{
    return HasDest(level, dest) ? levels_[level].xpt[(size_t)dest] : NO_SOURCE;
}

bool Router::Set(int level, long dest, long source)
{
    if (!HasDest(level, dest) || !ValidSource(level, source))
        return false;
    long& x = levels_[level].xpt[(size_t)dest];
    if (x == source)
        return false;
    x = source;
    return true;
}

}  // namespace sim
