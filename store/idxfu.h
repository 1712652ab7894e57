// The tally file VAL_DRN.IDX and the lock file VAL_DRN.LCK, and the save tick.
#pragma once

void Idxfu_ReadIndex();
void Idxfu_WriteIndex();
void Idxfu_WriteLock();
// Saves the lock file when a lock changed since it was last saved (or a
// save of it failed); the save tick and the shutdown call it.
void Idxfu_WriteChangedLocks();
void Idxfu_ResetTallies();
void Idxfu_ClearLocks();
// One tick of the 30-second save timer: the tally file every SaveDelay
// ticks (at the next tick after a failed save), the lock file when changed.
void Idxfu_SaveTick();
// The save timer's period, and its tick as the timer or the host's
// deliveries bring it: the timer's tick runs unless the last ran less than
// half a period ago; Idxfu_SaveTickIfDue runs it once a whole period has
// passed, as the timer waits behind the deliveries during a flood.
#define IDXFU_SAVE_PERIOD_MS 30000
void Idxfu_SaveTimerTick();
void Idxfu_SaveTickIfDue();
// 1 once Idxfu_ReadIndex has run (the shutdown save is made only then).
int Idxfu_Loaded();
void Idxfu_Reset();
