#include "gateway/swp08_messages.h"

namespace swp08 {

namespace {

uint8_t Hi(int n) { return (uint8_t)((n >> 8) & 0xFF); }
uint8_t Lo(int n) { return (uint8_t)(n & 0xFF); }
uint8_t MatrixLevel(int matrix, int level) { return (uint8_t)(((matrix & 15) << 4) | (level & 15)); }

bool Basic(uint8_t c) { return c == INTERROGATE || c == CONNECT || c == TALLY || c == CONNECTED ||
                               c == CONNECT_ON_GO; }
bool Extended(uint8_t c) { return c >= EXT_INTERROGATE && c <= EXT_CONNECTED; }

}  // namespace

bool ReadCrosspoint(const std::vector<uint8_t>& d, Crosspoint* xp)
{
    if (d.empty())
        return false;
    uint8_t c = d[0];
    bool hasSource = c != INTERROGATE && c != EXT_INTERROGATE;
    *xp = Crosspoint();
    if (Basic(c)) {
        if (d.size() < (hasSource ? 5u : 4u))
            return false;
        xp->matrix = d[1] >> 4;
        xp->level = d[1] & 15;
        xp->dest = ((d[2] >> 4) & 7) * 128 + (d[3] & 127);
        if (hasSource)
            xp->src = (d[2] & 7) * 128 + (d[4] & 127);
        return true;
    }
    if (Extended(c)) {
        if (d.size() < (hasSource ? 7u : 5u))
            return false;
        xp->matrix = d[1];
        xp->level = d[2];
        xp->dest = d[3] * 256 + d[4];
        if (hasSource)
            xp->src = d[5] * 256 + d[6];
        return true;
    }
    return false;
}

bool FitsBasic(const Crosspoint& xp)
{
    return xp.matrix < 16 && xp.level < 16 && xp.dest < 1024 && xp.src < 1024;
}

std::vector<uint8_t> CrosspointMessage(uint8_t command, const Crosspoint& xp)
{
    std::vector<uint8_t> m{command};
    if (Extended(command)) {
        m.insert(m.end(), {(uint8_t)xp.matrix, (uint8_t)xp.level, Hi(xp.dest), Lo(xp.dest)});
        if (command != EXT_INTERROGATE)
            m.insert(m.end(), {Hi(xp.src), Lo(xp.src)});
        return m;
    }
    int srcHigh = command == INTERROGATE ? 0 : (xp.src / 128) & 7;
    uint8_t multiplier = (uint8_t)((((xp.dest / 128) & 7) << 4) | srcHigh);
    m.insert(m.end(), {MatrixLevel(xp.matrix, xp.level), multiplier, (uint8_t)(xp.dest % 128)});
    if (command != INTERROGATE)
        m.push_back((uint8_t)(xp.src % 128));
    return m;
}

std::vector<std::vector<uint8_t>> TallyDump(bool extended, int matrix, int level, int first,
                                            const std::vector<int>& sources)
{
    bool bytes = !extended && first + (int)sources.size() <= 192;
    for (int s : sources)
        bytes = bytes && s <= 191;
    size_t header = extended ? 6 : bytes ? 4 : 5;
    size_t per = (kMaxMessage - header) / (bytes ? 1 : 2);
    std::vector<std::vector<uint8_t>> out;
    for (size_t at = 0; at < sources.size(); at += per) {
        size_t count = sources.size() - at < per ? sources.size() - at : per;
        int dest = first + (int)at;
        std::vector<uint8_t> m;
        if (extended)
            m = {EXT_TALLY_DUMP, (uint8_t)matrix, (uint8_t)level, (uint8_t)count, Hi(dest), Lo(dest)};
        else if (bytes)
            m = {TALLY_DUMP_BYTE, MatrixLevel(matrix, level), (uint8_t)count, (uint8_t)dest};
        else
            m = {TALLY_DUMP_WORD, MatrixLevel(matrix, level), (uint8_t)count, Hi(dest), Lo(dest)};
        for (size_t i = at; i < at + count; ++i) {
            if (!bytes)
                m.push_back(Hi(sources[i]));
            m.push_back(Lo(sources[i]));
        }
        out.push_back(m);
    }
    return out;
}

int NameLength(int code)
{
    static const int lengths[] = {4, 8, 12, 16, 32};
    return code >= 0 && code < 5 ? lengths[code] : 0;
}

std::vector<std::vector<uint8_t>> NameMessages(uint8_t command, int matrix, int level, int code,
                                               int first, const std::vector<std::string>& names)
{
    size_t length = (size_t)NameLength(code);
    std::vector<std::vector<uint8_t>> out;
    if (!length)
        return out;
    size_t header = command == EXT_SOURCE_NAMES ? 7 : 6;
    size_t per = (kMaxMessage - header) / length;
    for (size_t at = 0; at < names.size(); at += per) {
        size_t count = names.size() - at < per ? names.size() - at : per;
        int number = first + (int)at;
        std::vector<uint8_t> m{command};
        if (command == EXT_SOURCE_NAMES)
            m.insert(m.end(), {(uint8_t)matrix, (uint8_t)level});
        else if (command == EXT_DEST_NAMES)
            m.push_back((uint8_t)matrix);
        else
            m.push_back(MatrixLevel(matrix, command == SOURCE_NAMES ? level : 0));
        m.insert(m.end(), {(uint8_t)code, Hi(number), Lo(number), (uint8_t)count});
        for (size_t i = at; i < at + count; ++i) {
            std::string name = names[i].substr(0, length);
            name.resize(length, ' ');
            m.insert(m.end(), name.begin(), name.end());
        }
        out.push_back(m);
    }
    return out;
}

}  // namespace swp08
