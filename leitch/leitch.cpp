// Which levels the Leitch link can serve. Query and take frames write the
// level index and the destination in hexadecimal with no separator, so a
// level of two digits cannot be told apart ("@ X?100" is level 1 as well as
// level 16), and a status line names its level with one character.
#include "leitch/leitch.h"

#include "store/store.h"
#include "trace/trace.h"

int Leitch_LevelServed(int level) { return level >= 0 && level < LEITCH_MAX_LEVELS; }

void Leitch_TraceUnservedLevels()
{
    for (int i = LEITCH_MAX_LEVELS; i < LEVEL_COUNT; ++i) {
        int device = Store_Level(i)->iDevice;
        if (device != 0)
            Debug_Tracef("Level %c (device %d) cannot be served over the Leitch link",
                         'A' + i, device);
    }
}
