// Messages that never reached the host, kept in the order the driver sent
// them until the host answers again. Bounded: when full, the oldest goes and
// is counted. Used under the library's lock only.
#pragma once

#include <cstdint>

// A revertive, a reply or a status text is far shorter than this.
const uint32_t UNSENT_MAX_DATA = 256;
const int UNSENT_MAX = 256;

struct UnsentMessage {
    uint32_t msg;
    uint64_t wnd;
    uint32_t param;
    uint32_t length;
    char data[UNSENT_MAX_DATA];
};

// Keeps a copy; false when its data is too long to keep.
bool Unsent_Keep(uint32_t msg, uint64_t wnd, uint32_t param, const void* data, uint32_t length);
// The oldest kept message, or null when none waits.
const UnsentMessage* Unsent_First();
void Unsent_DropFirst();
// How many were dropped for room since the last call.
unsigned long Unsent_TakeDropped();
