// The tally file VAL_DRN.IDX and the lock file VAL_DRN.LCK, and the save tick.
#pragma once

void Idxfu_ReadIndex();
void Idxfu_WriteIndex();
void Idxfu_WriteLock();
void Idxfu_ResetTallies();
void Idxfu_ClearLocks();
// One tick of the 30-second save timer.
void Idxfu_SaveTick();
// 1 once Idxfu_ReadIndex has run (the shutdown save is made only then).
int Idxfu_Loaded();
void Idxfu_Reset();
