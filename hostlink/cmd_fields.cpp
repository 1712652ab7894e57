// The one reader of a command text's fields (see cmd_fields.h).
#include "hostlink/cmd_fields.h"

#include <climits>
#include <cstring>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Signed decimal as the settings are read (white space, a sign, digits up to
// the first other character, 0 without digits), held within 32 bits.
int32_t ToNumber(const char* p)
{
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f')
        ++p;
    bool negative = (*p == '-');
    if (*p == '+' || *p == '-')
        ++p;
    long long v = 0;
    for (; IsDigit(*p); ++p)
        if (v <= INT_MAX)
            v = v * 10 + (*p - '0');
    if (negative)
        v = -v;
    return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : (int32_t)v;
}

// Copies characters from text[p] into field until the stop character or
// until p reaches len; only the first CMD_FIELD_TEXT - 1 are kept. Returns
// the new position.
size_t CopyField(const char* text, size_t p, size_t len, char* field, char stop)
{
    size_t n = 0;
    for (; p < len && text[p] != stop; ++p)
        if (n < CMD_FIELD_TEXT - 1)
            field[n++] = text[p];
    field[n] = '\0';
    return p;
}

}  // namespace

int Cmd_ReadFields(const char* text, int maxFields, CmdFields* out)
{
    std::memset(out, 0, sizeof *out);
    if (maxFields > CMD_MAX_FIELDS)
        maxFields = CMD_MAX_FIELDS;
    const size_t len = std::strlen(text);
    size_t p = 3;
    int n = 0;
    // The loop goes on while p equals len, so missing trailing fields are
    // set as empty fields (0).
    while (p <= len && n < maxFields) {
        while (p < len && text[p] == ' ')
            ++p;
        char* field = out->text[n];
        if (text[p] == '\'') {
            p = CopyField(text, p + 1, len, field, '\'');
            ++p;   // past the closing apostrophe (or past the end when it is missing)
        } else {
            p = CopyField(text, p, len, field, ' ');
        }
        out->arg[n++] = ToNumber(field);
        while (p < len && text[p] != ' ')
            ++p;
    }
    return n;
}

int Cmd_FieldsNeeded(const char* text)
{
    if (text[0] != 'R')
        return 0;
    switch (text[1]) {
    case 'C': case 'L': return 5;
    case 'P': case 'Q': return 4;
    default: return 0;
    }
}
