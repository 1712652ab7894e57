// A driver for the host link tests and their fuzz target.
#pragma once

#include <vector>

#include "tests/native/test_leitch_support.h"

namespace hostlink_test {

// Levels A (101: 16 x 12) and B (102: 8 x 8), with extraDevice also level
// extraIndex (4 x 4), set up as leitch_test::Start does; source-first
// routing, only the panel (requester 0) permitted.
inline void StartTwoLevels(int extraIndex = 0, int extraDevice = 0)
{
    std::vector<leitch_test::LevelSize> levels = {{0, 101, 16, 12}, {1, 102, 8, 8}};
    if (extraDevice)
        levels.push_back({extraIndex, extraDevice, 4, 4});
    leitch_test::Start(levels);
    Settings().SourceToDest = 1;
    Settings().bAccess[0] = 1;
}

}  // namespace hostlink_test
