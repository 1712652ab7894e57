#include "tests/fake/scripted_router.h"

#include <cstdio>

#include "tests/fake/fake_comms.h"

std::string ScriptedRouter::StatusLine(int level, int dest)
{
    char line[64];
    std::snprintf(line, sizeof line, "S:%X%X,%X\r\n", level, dest - 1, dest - 1);
    return line;
}

int ScriptedRouter::Step()
{
    ++tick_;
    const std::vector<std::string>& writes = FakeComms().writes;
    for (; seen_ < writes.size(); ++seen_) {
        // A status query: "@ X?", one hexadecimal level digit, destination - 1, CR.
        unsigned level = 0, dest = 0;
        char end = 0;
        if (std::sscanf(writes[seen_].c_str(), "@ X?%1x%x%c", &level, &dest, &end) != 3 || end != '\r')
            continue;
        queries.push_back({(int)level, (int)dest + 1});
        if (answers((int)queries.size() - 1))
            pending_.push_back({tick_ + lateTicks, StatusLine((int)level, (int)dest + 1)});
    }
    int delivered = 0;
    for (; !pending_.empty() && pending_.front().due <= tick_; pending_.pop_front()) {
        const std::string& bytes = pending_.front().bytes;
        FakeComms().rx.insert(FakeComms().rx.end(), bytes.begin(), bytes.end());
        delivered += (int)bytes.size();
    }
    return delivered;
}
