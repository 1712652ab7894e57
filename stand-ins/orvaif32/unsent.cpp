// A ring of the messages waiting for the host.
#include "stand-ins/orvaif32/unsent.h"

#include <cstring>

namespace {
UnsentMessage gRing[UNSENT_MAX];
int gFirst = 0;
int gCount = 0;
unsigned long gDropped = 0;
}  // namespace

bool Unsent_Keep(uint32_t msg, uint64_t wnd, uint32_t param, const void* data, uint32_t length)
{
    if (length > UNSENT_MAX_DATA)
        return false;
    if (gCount == UNSENT_MAX) {
        Unsent_DropFirst();
        ++gDropped;
    }
    UnsentMessage& m = gRing[(gFirst + gCount++) % UNSENT_MAX];
    m.msg = msg;
    m.wnd = wnd;
    m.param = param;
    m.length = data ? length : 0;
    if (m.length)
        std::memcpy(m.data, data, m.length);
    return true;
}

const UnsentMessage* Unsent_First() { return gCount ? &gRing[gFirst] : nullptr; }

void Unsent_DropFirst()
{
    if (!gCount)
        return;
    gFirst = (gFirst + 1) % UNSENT_MAX;
    --gCount;
}

unsigned long Unsent_TakeDropped()
{
    unsigned long n = gDropped;
    gDropped = 0;
    return n;
}
