// State shared by the gateway's modules (host side, the two endpoints).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "gateway/gateway.h"
#include "gateway/swp08_frame.h"
#include "gateway/swp08_messages.h"
#include "gateway/videohub_blocks.h"

namespace gw {

const uint16_t kUnknown = 65535;   // a tally the router has not reported
const uint16_t kPark = 0;          // the park entry: no source

struct Level {
    LevelDef def;
    std::vector<uint16_t> tally;          // by destination, 1-based (index 0 unused)
    std::vector<std::string> inputNames;  // protocol inputs 0..sources: source n+1, then the park entry
    std::vector<std::string> outputNames; // protocol outputs 0..dests-1
    std::vector<int> lockOwner;           // by output: 0 unlocked, else the client that locked it
    enum Phase { ABSENT, REFRESHING, PRESENT } phase = ABSENT;
    uint64_t asked = 0;       // when the outstanding inquiry went out, 0 when none
    uint64_t lastInquiry = 0;
    uint64_t refreshSince = 0;
};

const size_t kMaxSalvoEntries = 4096;   // per client, over all its salvos
const size_t kMaxUnacked = 64;          // SW-P-08 messages kept for a re-send
const int kMaxTries = 5;

struct Client {
    int id = 0;
    int endpoint = 0;
    videohub::BlockReader blocks;
    swp08::Deframer deframer;
    bool extended = false;          // has sent an extended command: answers in that form
    std::vector<std::string> unacked;
    uint64_t waitingSince = 0;
    int tries = 0;
    bool ignoresAcks = false;       // gave up re-sending to it
    std::map<int, std::vector<swp08::Crosspoint>> salvos;
    size_t salvoEntries = 0;
};

struct State {
    Options options;
    std::vector<Level> levels;
    bool destFirst = false;
    bool hostUp = false;
    std::map<int, Client> clients;
};
State& G();

Level* LevelAt(int endpoint);
// Protocol input number of a tally; -1 when unknown.
int InputOf(const Level& l, uint16_t tally);
// Router source of a protocol input number; -1 when out of range.
int SourceOf(const Level& l, int input);
bool AllPresent();

// Host side.
void SendRoute(Level& l, int source, int dest, Outbox& out);
void SendLock(Level& l, int dest, bool lock, Outbox& out);

// Endpoints.
void Videohub_Open(Client& c, Outbox& out);
void Videohub_Bytes(Client& c, const char* bytes, size_t n, Outbox& out);
void Videohub_Presence(size_t position, Outbox& out);
void Videohub_Tally(size_t position, int dest, Outbox& out);
void Swp08_Open(Client& c, Outbox& out);
void Swp08_Bytes(Client& c, const char* bytes, size_t n, uint64_t now, Outbox& out);
void Swp08_Presence(Outbox& out);
void Swp08_Tally(size_t position, int dest, uint64_t now, Outbox& out);
void Swp08_Tick(Client& c, uint64_t now, Outbox& out);

}  // namespace gw
