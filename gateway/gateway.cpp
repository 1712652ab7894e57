// Wiring and the host side: each level's driver is asked now and then
// whether its router link is good (!INQTXRX); when it is, one RQ over the
// level fills every tally and the level is served. Revertives and replies
// keep the tallies; an inquiry answered "0", "no driver", a mode of Rx only
// or link failure, or no answer at all takes the level away from clients
// until it is back.
#include "gateway/gateway_state.h"

#include <cstdio>
#include <sstream>

namespace gw {

State& G()
{
    static State state;
    return state;
}

Level* LevelAt(int endpoint)
{
    if (endpoint < 0 || (size_t)endpoint >= G().levels.size())
        return nullptr;
    return &G().levels[(size_t)endpoint];
}

int InputOf(const Level& l, uint16_t tally)
{
    if (tally == kPark)
        return l.def.sources;
    if (tally > l.def.sources)
        return -1;
    return tally - 1;
}

int SourceOf(const Level& l, int input)
{
    if (input < 0 || input > l.def.sources)
        return -1;
    return input == l.def.sources ? kPark : input + 1;
}

bool AllPresent()
{
    for (const Level& l : G().levels)
        if (l.phase != Level::PRESENT)
            return false;
    return !G().levels.empty();
}

size_t Gateway_Levels() { return G().levels.size(); }
const LevelDef& Gateway_Level(size_t position) { return G().levels[position].def; }
bool Gateway_Present(size_t position) { return G().levels[position].phase == Level::PRESENT; }

void Gateway_Start(const Site& site, const Names& names, const Options& options)
{
    G() = State();
    G().options = options;
    G().destFirst = site.destFirst;
    for (const LevelDef& d : site.levels) {
        Level l;
        l.def = d;
        l.tally.assign((size_t)d.dests + 1, kUnknown);
        l.lockOwner.assign((size_t)d.dests, 0);
        for (int s = 1; s <= d.sources; ++s)
            l.inputNames.push_back(names.Get(d.device, false, s));
        l.inputNames.push_back(site.park);
        for (int n = 1; n <= d.dests; ++n)
            l.outputNames.push_back(names.Get(d.device, true, n));
        G().levels.push_back(l);
    }
}

namespace {

void Send(Outbox& out, const std::string& line) { out.host.push_back(line); }

void SetPhase(size_t position, Level::Phase phase, Outbox& out)
{
    Level& l = G().levels[position];
    if (l.phase == phase)
        return;
    bool wasAll = AllPresent();
    bool was = l.phase == Level::PRESENT;
    l.phase = phase;
    if (was != (phase == Level::PRESENT))
        Videohub_Presence(position, out);
    if (wasAll != AllPresent())
        Swp08_Presence(out);
}

void Gone(size_t position, Outbox& out)
{
    G().levels[position].asked = 0;
    SetPhase(position, Level::ABSENT, out);
}

void Inquire(Level& l, uint64_t now, Outbox& out)
{
    Send(out, "!INQTXRX " + std::to_string(l.def.device));
    l.asked = now ? now : 1;
    l.lastInquiry = now;
}

void Refresh(size_t position, uint64_t now, Outbox& out)
{
    Level& l = G().levels[position];
    Send(out, "RQ " + std::to_string(l.def.device) + " 1 " + std::to_string(l.def.dests) + " " +
                  std::to_string(G().options.requester));
    l.refreshSince = now;
    SetPhase(position, Level::REFRESHING, out);
}

int Position(int device)
{
    for (size_t i = 0; i < G().levels.size(); ++i)
        if (G().levels[i].def.device == device)
            return (int)i;
    return -1;
}

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string w;
    while (in >> w && words.size() < 8)
        words.push_back(w);
    return words;
}

int Int(const std::string& text)
{
    int n = videohub::Number(text);
    return n;
}

// TXREVERTIVE / TXREPLY <param> RR <device> <dest> <source>
void Revertive(const std::vector<std::string>& w, bool reply, uint64_t now, Outbox& out)
{
    int param = Int(w[1]), position = Position(Int(w[3])), dest = Int(w[4]), source = Int(w[5]);
    if (w[2] != "RR" || position < 0 || dest < 1 || source < 0 || source > 65535)
        return;
    Level& l = G().levels[(size_t)position];
    if (dest > l.def.dests)
        return;
    bool changed = l.tally[(size_t)dest] != source;
    l.tally[(size_t)dest] = (uint16_t)source;
    // A take always ends in a revertive (the driver forgets the tally when
    // it sends one), so a route asked for is confirmed even when unchanged.
    if (l.phase == Level::PRESENT && (changed || !reply)) {
        Videohub_Tally((size_t)position, dest, out);
        Swp08_Tally((size_t)position, dest, now, out);
    }
    if (reply && param == (G().options.requester | 0x8000) && dest == l.def.dests &&
        l.phase == Level::REFRESHING)
        SetPhase((size_t)position, Level::PRESENT, out);
}

}  // namespace

void SendRoute(Level& l, int source, int dest, Outbox& out)
{
    char line[96];
    int a = G().destFirst ? dest : source, b = G().destFirst ? source : dest;
    std::snprintf(line, sizeof line, "RC %d %d %d ',---' %d", l.def.device, a, b,
                  G().options.requester);
    Send(out, line);
}

void SendLock(Level& l, int dest, bool lock, Outbox& out)
{
    char line[96];
    std::snprintf(line, sizeof line, "RL %d %d %d %d %d", l.def.device, dest, dest, lock ? 1 : 0,
                  G().options.requester);
    Send(out, line);
}

void Gateway_HostUp(uint64_t now, Outbox& out)
{
    G().hostUp = true;
    for (Level& l : G().levels)
        Inquire(l, now, out);
}

void Gateway_HostDown(Outbox& out)
{
    G().hostUp = false;
    for (size_t i = 0; i < G().levels.size(); ++i)
        Gone(i, out);
}

void Gateway_HostLine(const std::string& line, uint64_t now, Outbox& out)
{
    std::vector<std::string> w = Words(line);
    if (w.empty())
        return;
    if ((w[0] == "TXREVERTIVE" || w[0] == "TXREPLY") && w.size() == 6) {
        Revertive(w, w[0] == "TXREPLY", now, out);
    } else if (w[0] == "INQTXRX" && w.size() == 3) {
        int position = Position(Int(w[1]));
        if (position < 0)
            return;
        Level& l = G().levels[(size_t)position];
        l.asked = 0;
        if (w[2] != "1")
            Gone((size_t)position, out);
        else if (l.phase == Level::ABSENT)
            Refresh((size_t)position, now, out);
    } else if (line.rfind("# no driver for device ", 0) == 0 && w.size() == 6) {
        int position = Position(Int(w[5]));
        if (position >= 0)
            Gone((size_t)position, out);
    } else if (w[0] == "ASSERTDEVMODE" && w.size() == 3) {
        int position = Position(Int(w[2]));
        if (position < 0)
            return;
        if (w[1] == "3")
            G().levels[(size_t)position].lastInquiry = 0;   // ask at the next tick
        else
            Gone((size_t)position, out);   // Rx only or link failed: no revertives come
    } else if (w[0] == "REGDEV" && w.size() == 3 && w[2] == "0" && Position(Int(w[1])) >= 0) {
        // A driver started again: its tallies are read afresh, whatever we held.
        Gone((size_t)Position(Int(w[1])), out);
        G().levels[(size_t)Position(Int(w[1]))].lastInquiry = 0;
    } else if (w[0] == "DEREGDEV") {
        for (Level& l : G().levels)
            l.lastInquiry = 0;
    }
}

void Gateway_ClientOpen(int client, int endpoint, uint64_t, Outbox& out)
{
    Client& c = G().clients[client];
    c.id = client;
    c.endpoint = endpoint;
    if (endpoint == kSwp08)
        Swp08_Open(c, out);
    else
        Videohub_Open(c, out);
}

void Gateway_ClientBytes(int client, const char* bytes, size_t n, uint64_t now, Outbox& out)
{
    auto it = G().clients.find(client);
    if (it == G().clients.end())
        return;
    if (it->second.endpoint == kSwp08)
        Swp08_Bytes(it->second, bytes, n, now, out);
    else
        Videohub_Bytes(it->second, bytes, n, out);
}

void Gateway_ClientClosed(int client)
{
    G().clients.erase(client);
}

void Gateway_Tick(uint64_t now, Outbox& out)
{
    for (auto& entry : G().clients)
        if (entry.second.endpoint == kSwp08)
            Swp08_Tick(entry.second, now, out);
    if (!G().hostUp)
        return;
    const Options& o = G().options;
    for (size_t i = 0; i < G().levels.size(); ++i) {
        Level& l = G().levels[i];
        if (l.asked && now - l.asked >= o.answerMs)
            Gone(i, out);
        if (l.phase == Level::REFRESHING && now - l.refreshSince >= o.refreshMs)
            SetPhase(i, Level::ABSENT, out);
        if (!l.asked && (l.lastInquiry == 0 || now - l.lastInquiry >= o.inquireMs))
            Inquire(l, now, out);
    }
}

}  // namespace gw
