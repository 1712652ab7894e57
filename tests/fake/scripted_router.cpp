#include "tests/fake/scripted_router.h"

#include <cstdio>
#include <cstdlib>

#include "tests/fake/fake_comms.h"

std::string ScriptedRouter::StatusLine(int level, int dest, int source)
{
    char line[64];
    if (source > 0)
        std::snprintf(line, sizeof line, "S:%X%X,%X\r\n", level, dest - 1, source - 1);
    else
        std::snprintf(line, sizeof line, "S:%X%X,X\r\n", level, dest - 1);
    return line;
}

bool ScriptedRouter::ParseQuery(const std::string& frame, RouterQuery* out)
{
    // The level is one hexadecimal digit: the driver addresses levels 0 to 15.
    if (frame.size() < 7 || frame.compare(0, 4, "@ X?") != 0 || frame.back() != '\r')
        return false;
    std::string levelText = frame.substr(4, 1);
    std::string destText = frame.substr(5, frame.size() - 6);
    char* end = nullptr;
    long level = std::strtol(levelText.c_str(), &end, 16);
    if (*end != '\0')
        return false;
    long dest = std::strtol(destText.c_str(), &end, 16);
    if (*end != '\0')
        return false;
    out->level = (int)level;
    out->dest = (int)dest + 1;
    return true;
}

int ScriptedRouter::Step()
{
    ++tick_;
    const std::vector<std::string>& writes = FakeComms().writes;
    for (; seen_ < writes.size(); ++seen_) {
        RouterQuery q;
        if (!ParseQuery(writes[seen_], &q))
            continue;
        int n = (int)queries_.size();
        queries_.push_back(q);
        if (answers(n))
            pending_.push_back({tick_ + lateTicks, StatusLine(q.level, q.dest, source(q.level, q.dest))});
    }
    int delivered = 0;
    while (!pending_.empty() && pending_.front().due <= tick_) {
        for (char c : pending_.front().bytes)
            FakeComms().rx.push_back((unsigned char)c);
        delivered += (int)pending_.front().bytes.size();
        pending_.pop_front();
    }
    return delivered;
}
