// The store's area allocation, shared by the level table and its sizing.
#pragma once

#include "store/store.h"

// A zeroed area of size bytes, or null when the allocation fails (really or
// by a test's request).
unsigned char* StoreAreas_Allocate(int size);
// Frees both areas of the level and leaves it without any.
void StoreAreas_Release(LEVELINFO* level);
// Marks the areas as released by the shutdown (1) or sized afresh (0).
void StoreAreas_SetReleased(int released);
void StoreAreas_Reset();
