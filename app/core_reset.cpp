// Returns every module of the core to its state at process start, so tests
// that run the core several times in one process never leak into each other.
#include "app/shell.h"
#include "config/settings.h"
#include "hostlink/cmd.h"
#include "hostlink/hxi.h"
#include "leitch/comsup.h"
#include "leitch/leitch.h"
#include "panel/dialog.h"
#include "store/idxfu.h"
#include "store/store.h"

void Core_Reset()
{
    Store_Reset();
    Shell_Reset();
    Prof_Reset();
    Idxfu_Reset();
    Leitch_Reset();
    ComSup_Reset();
    Hxi_Reset();
    Cmd_Reset();
    Panel_Reset();
}
