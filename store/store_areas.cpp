#include "store/store_areas.h"

#include <new>

namespace {
int gAllocations = 0;   // allocations since the last failure request
int gFailAt = -1;       // which of them fails; negative: none
int gReleased = 0;
}  // namespace

unsigned char* StoreAreas_Allocate(int size)
{
    int n = gAllocations++;
    if (gFailAt >= 0 && n == gFailAt)
        return nullptr;
    return new (std::nothrow) unsigned char[size]();
}

void StoreAreas_Release(LEVELINFO* level)
{
    delete[] level->hTally;
    delete[] level->hLock;
    level->hTally = nullptr;
    level->hLock = nullptr;
}

void StoreAreas_SetReleased(int released) { gReleased = released; }

int Store_Released() { return gReleased; }

void StoreAreas_Reset()
{
    gReleased = 0;
    gAllocations = 0;
    gFailAt = -1;
}

void Store_FailAllocationAt(int n)
{
    gAllocations = 0;
    gFailAt = n;
}
