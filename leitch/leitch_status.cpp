// Reading the fields of a status line such as "S:01F,2A" (level A,
// destination 32, source 43) or "S:01F,X" (no source). The fields are read
// from where "S:" stands, so a prompt or an echoed command in front of it
// ("> S:..." without a line end) does not shift them.
#include <climits>
#include <cstdint>
#include <cstring>

#include "leitch/leitch.h"

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n';
}

// Reads blanks, then one or more hexadecimal digits, as a 32-bit value.
// False when no digit follows or the value needs more than 32 bits.
bool ReadHex(const char** text, uint32_t* value)
{
    const char* p = *text;
    while (IsBlank(*p))
        ++p;
    if (HexDigit(*p) < 0)
        return false;
    uint32_t v = 0;
    for (; HexDigit(*p) >= 0; ++p) {
        if (v > 0x0FFFFFFFu)
            return false;
        v = (v << 4) | (uint32_t)HexDigit(*p);
    }
    *text = p;
    *value = v;
    return true;
}

// The wire carries number - 1 as a 32-bit value: FFFFFFFF is -1, which
// reads back as 0 (the park entry, as the take frame writes it).
int FromWire(uint32_t wire)
{
    int64_t n = (int64_t)(int32_t)wire + 1;
    return n > INT_MAX ? INT_MAX : (int)n;
}

}  // namespace

int Leitch_ParseStatus(const char* line, LeitchStatus* out)
{
    const char* mark = line ? std::strstr(line, "S:") : nullptr;
    if (!mark)
        return LEITCH_NOT_STATUS;
    // A level that cannot be read is never guessed: any guess could update
    // a level other than the one that sent the line.
    int level = HexDigit(mark[2]);
    if (level < 0)
        return LEITCH_UNREADABLE;
    const char* fields = mark + 3;
    uint32_t dest = 0, source = 0;
    const char* p = fields;
    if (!ReadHex(&p, &dest))
        return LEITCH_UNREADABLE;
    bool noSource = std::strstr(fields, ",X") != nullptr;
    bool haveSource = false;
    if (*p == ',') {
        ++p;
        haveSource = ReadHex(&p, &source);
    }
    if (!noSource && !haveSource)
        return LEITCH_UNREADABLE;
    out->level = level;
    out->dest = FromWire(dest);
    out->source = noSource ? -1 : FromWire(source);
    return LEITCH_STATUS;
}
