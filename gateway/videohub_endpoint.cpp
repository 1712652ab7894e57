// The Videohub endpoint of one level: the initial dump, ACK/NAK, PING,
// routes to RC, locks to RL, status dump requests, and update blocks to
// every client of the level when the router reports a change. Protocol
// inputs 0..sources-1 are router sources 1..sources; input `sources` is the
// park entry; an output whose source is unknown has no routing line.
#include "gateway/gateway_state.h"

namespace gw {

namespace {

const char* const kAck = "ACK\n\n";
const char* const kNak = "NAK\n\n";

std::string DeviceBlock(const Level& l)
{
    if (l.phase != Level::PRESENT)
        return "VIDEOHUB DEVICE:\nDevice present: false\n\n";
    return "VIDEOHUB DEVICE:\nDevice present: true\nModel name: VAL_DRN gateway level " +
           std::string(1, (char)('A' + l.def.index)) + "\nVideo inputs: " +
           std::to_string(l.def.sources + 1) + "\nVideo processing units: 0\nVideo outputs: " +
           std::to_string(l.def.dests) + "\nVideo monitoring outputs: 0\nSerial ports: 0\n\n";
}

std::string Labels(const char* header, const std::vector<std::string>& names)
{
    std::string b = std::string(header) + ":\n";
    for (size_t i = 0; i < names.size(); ++i)
        b += std::to_string(i) + " " + names[i] + "\n";
    return b + "\n";
}

char LockView(const Level& l, int output, int client)
{
    int owner = l.lockOwner[(size_t)output];
    return owner == 0 ? 'U' : owner == client ? 'O' : 'L';
}

std::string Locks(const Level& l, int client, const std::vector<int>& outputs)
{
    std::string b = "VIDEO OUTPUT LOCKS:\n";
    for (int o : outputs)
        b += std::to_string(o) + " " + LockView(l, o, client) + "\n";
    return b + "\n";
}

std::string Routing(const Level& l, const std::vector<int>& outputs)
{
    std::string b = "VIDEO OUTPUT ROUTING:\n";
    for (int o : outputs) {
        int input = InputOf(l, l.tally[(size_t)o + 1]);
        if (input >= 0)
            b += std::to_string(o) + " " + std::to_string(input) + "\n";
    }
    return b + "\n";
}

std::vector<int> AllOutputs(const Level& l)
{
    std::vector<int> all((size_t)l.def.dests);
    for (int o = 0; o < l.def.dests; ++o)
        all[(size_t)o] = o;
    return all;
}

// Everything after the preamble, as on connect and when the router is back.
std::string Dump(const Level& l, int client)
{
    std::string d = DeviceBlock(l);
    if (l.phase != Level::PRESENT)
        return d;
    std::vector<int> all = AllOutputs(l);
    return d + Labels("INPUT LABELS", l.inputNames) + Labels("OUTPUT LABELS", l.outputNames) +
           Locks(l, client, all) + Routing(l, all);
}

void Put(Client& c, const std::string& text, Outbox& out) { out.clients.push_back({c.id, text}); }

void ForEachClient(int endpoint, void (*fn)(Client&, const Level&, void*), const Level& l, void* arg)
{
    for (auto& entry : G().clients)
        if (entry.second.endpoint == endpoint)
            fn(entry.second, l, arg);
}

bool Route(Client& c, Level& l, const videohub::Block& b, Outbox& out)
{
    std::vector<std::pair<int, int>> routes;   // output, router source
    for (const std::string& line : b.lines) {
        int output = 0;
        std::string rest;
        if (!videohub::SplitLine(line, &output, &rest) || output >= l.def.dests)
            return false;
        int source = SourceOf(l, videohub::Number(rest));
        if (source < 0)
            return false;
        routes.push_back({output, source});
    }
    Put(c, kAck, out);
    for (const auto& r : routes)
        SendRoute(l, r.second, r.first + 1, out);
    return true;
}

struct LockChange {
    std::vector<int> outputs;
};

void SendLockLines(Client& other, const Level& l, void* arg)
{
    (void)l;
    auto* pair = static_cast<std::pair<LockChange*, Outbox*>*>(arg);
    pair->second->clients.push_back({other.id, Locks(l, other.id, pair->first->outputs)});
}

bool Lock(Client& c, Level& l, const videohub::Block& b, Outbox& out)
{
    std::vector<std::pair<int, char>> asks;
    for (const std::string& line : b.lines) {
        int output = 0;
        std::string rest;
        if (!videohub::SplitLine(line, &output, &rest) || output >= l.def.dests || rest.size() != 1 ||
            (rest[0] != 'O' && rest[0] != 'U' && rest[0] != 'F'))
            return false;
        asks.push_back({output, rest[0]});
    }
    Put(c, kAck, out);
    LockChange change;
    for (const auto& a : asks) {
        int& owner = l.lockOwner[(size_t)a.first];
        int want = owner;
        if (a.second == 'O' && owner == 0)
            want = c.id;
        else if ((a.second == 'U' && owner == c.id) || a.second == 'F')
            want = 0;
        if (want == owner)
            continue;
        SendLock(l, a.first + 1, want != 0, out);
        owner = want;
        change.outputs.push_back(a.first);
    }
    if (change.outputs.empty())
        return true;
    std::pair<LockChange*, Outbox*> arg{&change, &out};
    ForEachClient(c.endpoint, SendLockLines, l, &arg);
    return true;
}

// Answers one block from the client.
void Handle(Client& c, Level& l, const videohub::Block& b, Outbox& out)
{
    bool present = l.phase == Level::PRESENT;
    bool ask = b.lines.empty();   // a header alone asks for the whole block
    const std::string& h = b.header;
    if (b.bad) {
        Put(c, kNak, out);
    } else if (h == "PING") {
        Put(c, kAck, out);
    } else if (h == "PROTOCOL PREAMBLE" && ask) {
        Put(c, std::string(kAck) + "PROTOCOL PREAMBLE:\nVersion: 2.3\n\n", out);
    } else if (h == "VIDEOHUB DEVICE" && ask) {
        Put(c, kAck + DeviceBlock(l), out);
    } else if (!present) {
        Put(c, kNak, out);
    } else if (h == "VIDEO OUTPUT ROUTING") {
        if (ask)
            Put(c, kAck + Routing(l, AllOutputs(l)), out);
        else if (!Route(c, l, b, out))
            Put(c, kNak, out);
    } else if (h == "VIDEO OUTPUT LOCKS") {
        if (ask)
            Put(c, kAck + Locks(l, c.id, AllOutputs(l)), out);
        else if (!Lock(c, l, b, out))
            Put(c, kNak, out);
    } else if ((h == "INPUT LABELS" || h == "OUTPUT LABELS") && ask) {
        Put(c, kAck + Labels(h.c_str(), h[0] == 'I' ? l.inputNames : l.outputNames), out);
    } else {
        Put(c, kNak, out);   // names cannot be stored; unknown blocks
    }
}

void SendDump(Client& c, const Level& l, void* arg)
{
    static_cast<Outbox*>(arg)->clients.push_back({c.id, Dump(l, c.id)});
}

void SendRoutingLine(Client& c, const Level& l, void* arg)
{
    auto* pair = static_cast<std::pair<int, Outbox*>*>(arg);
    pair->second->clients.push_back({c.id, Routing(l, {pair->first})});
}

}  // namespace

void Videohub_Open(Client& c, Outbox& out)
{
    const Level& l = *LevelAt(c.endpoint);
    Put(c, "PROTOCOL PREAMBLE:\nVersion: 2.3\n\n" + Dump(l, c.id) + "END PRELUDE:\n\n", out);
}

void Videohub_Bytes(Client& c, const char* bytes, size_t n, Outbox& out)
{
    std::vector<videohub::Block> blocks;
    c.blocks.Feed(bytes, n, blocks);
    Level& l = *LevelAt(c.endpoint);
    for (const videohub::Block& b : blocks)
        Handle(c, l, b, out);
}

void Videohub_Presence(size_t position, Outbox& out)
{
    ForEachClient((int)position, SendDump, G().levels[position], &out);
}

void Videohub_Tally(size_t position, int dest, Outbox& out)
{
    const Level& l = G().levels[position];
    if (InputOf(l, l.tally[(size_t)dest]) < 0)
        return;
    std::pair<int, Outbox*> arg{dest - 1, &out};
    ForEachClient((int)position, SendRoutingLine, l, &arg);
}

}  // namespace gw
