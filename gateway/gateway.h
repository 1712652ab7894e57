// The gateway's decisions, free of sockets: one client of the host's TCP
// line interface, a Videohub endpoint per level and one SW-P-08 endpoint.
// The socket layer hands it lines from the host, clients' bytes and the
// time, and carries out what it leaves in the outbox.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "gateway/site.h"

namespace gw {

struct Options {
    int requester = 0;          // the gateway's requester number on the host's lines (1-32767)
    int matrix = 0;             // SW-P-08 matrix number answered
    uint64_t inquireMs = 1000;  // how often each level's driver is asked whether its link is good
    uint64_t answerMs = 5000;   // an inquiry unanswered this long: the driver is gone
    uint64_t refreshMs = 15000; // an RQ over the level unanswered this long: try again
};

struct Outbox {
    std::vector<std::string> host;                       // lines for the host, without LF
    std::vector<std::pair<int, std::string>> clients;    // bytes for a client
    std::vector<int> close;                              // clients to close
};

// Endpoint numbers: 0 .. levels-1 are the Videohub endpoints in level
// order, kSwp08 the SW-P-08 one.
const int kSwp08 = 1000;

void Gateway_Start(const Site& site, const Names& names, const Options& options);
size_t Gateway_Levels();
const LevelDef& Gateway_Level(size_t position);
bool Gateway_Present(size_t position);

void Gateway_HostUp(uint64_t now, Outbox& out);
void Gateway_HostDown(Outbox& out);
void Gateway_HostLine(const std::string& line, uint64_t now, Outbox& out);

void Gateway_ClientOpen(int client, int endpoint, uint64_t now, Outbox& out);
void Gateway_ClientBytes(int client, const char* bytes, size_t n, uint64_t now, Outbox& out);
void Gateway_ClientClosed(int client);
void Gateway_Tick(uint64_t now, Outbox& out);

}  // namespace gw
