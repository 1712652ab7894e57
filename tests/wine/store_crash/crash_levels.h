// The levels and tally generations shared by the saving program and the
// program that kills it.
#pragma once

struct CrashLevel {
    int index;    // level index 0 to 25
    int device;
    int dests;    // DatabaseSize_1 of its database file
};

// A, C and Z sized; B configured without a database file.
const CrashLevel kCrashLevels[] = {{0, 1, 1024}, {1, 2, 0}, {2, 3, 500}, {25, 26, 1024}};
const int kCrashLevelCount = sizeof kCrashLevels / sizeof kCrashLevels[0];
const int kCrashSources = 65534;
const int kCrashMaxGeneration = 64999;

// The tally of generation g at (level index, destination); destination 1 of
// level A holds g itself.
inline int CrashTally(int g, int index, int dest) { return (g + index * 7 + dest - 1) % 65000; }
