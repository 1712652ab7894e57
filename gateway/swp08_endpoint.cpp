// The SW-P-08 endpoint: every frame is answered DLE ACK or DLE NAK at once;
// what the gateway sends is re-sent after a NAK or a second without an
// answer, up to 5 times. Protocol level n is the router's level n (A = 0);
// sources 0..sources-1 are router sources 1..sources, source `sources` the
// park entry. Connected messages follow the router's revertives only.
#include "gateway/gateway_state.h"

namespace gw {

using swp08::Crosspoint;

namespace {

const uint64_t kResendMs = 1000;

void Send(Client& c, const std::vector<uint8_t>& message, uint64_t now, Outbox& out)
{
    std::string frame = swp08::Frame(message);
    out.clients.push_back({c.id, frame});
    if (c.ignoresAcks)
        return;
    if (c.unacked.empty())
        c.waitingSince = now;
    if (c.unacked.size() >= kMaxUnacked)
        c.unacked.erase(c.unacked.begin());
    c.unacked.push_back(frame);
}

// The level a message names, when this gateway serves it and it is present.
Level* Find(int matrix, int level)
{
    if (matrix != G().options.matrix)
        return nullptr;
    for (Level& l : G().levels)
        if (l.def.index == level)
            return l.phase == Level::PRESENT ? &l : nullptr;
    return nullptr;
}

void Tally(Client& c, uint8_t command, const Level& l, int dest, uint64_t now, Outbox& out)
{
    int input = InputOf(l, l.tally[(size_t)dest + 1]);
    if (input < 0)
        return;   // not reported by the router yet: the connected message will tell
    Crosspoint xp;
    xp.matrix = G().options.matrix;
    xp.level = l.def.index;
    xp.dest = dest;
    xp.src = input;
    if (command == swp08::CONNECTED && (c.extended || !swp08::FitsBasic(xp)))
        command = swp08::EXT_CONNECTED;
    Send(c, swp08::CrosspointMessage(command, xp), now, out);
}

// Tally dumps of the runs of destinations whose source is known.
void Dump(Client& c, bool extended, const Level& l, uint64_t now, Outbox& out)
{
    std::vector<int> run;
    int first = 0;
    for (int d = 0; d <= l.def.dests; ++d) {
        int input = d < l.def.dests ? InputOf(l, l.tally[(size_t)d + 1]) : -1;
        if (input >= 0) {
            if (run.empty())
                first = d;
            run.push_back(input);
            continue;
        }
        for (const auto& m : swp08::TallyDump(extended, G().options.matrix, l.def.index, first, run))
            Send(c, m, now, out);
        run.clear();
    }
}

void Names(Client& c, uint8_t command, const Level& l, int code, uint64_t now, Outbox& out)
{
    bool sources = command == swp08::SOURCE_NAMES || command == swp08::EXT_SOURCE_NAMES;
    for (const auto& m : swp08::NameMessages(command, G().options.matrix, l.def.index, code, 0,
                                             sources ? l.inputNames : l.outputNames))
        Send(c, m, now, out);
}

// A connect's crosspoint on a level served now: the router source, or -1.
int RouteSource(const Crosspoint& xp, Level** level)
{
    Level* l = Find(xp.matrix, xp.level);
    if (!l || xp.dest >= l->def.dests)
        return -1;
    *level = l;
    return SourceOf(*l, xp.src);
}

// Destination names carry no level: the first level's names answer.
Level* NamesLevel(int matrix)
{
    if (matrix != G().options.matrix || G().levels.empty() || !AllPresent())
        return nullptr;
    return &G().levels[0];
}

void Salvo(Client& c, const std::vector<uint8_t>& m, uint64_t now, Outbox& out)
{
    Crosspoint xp;
    Level* l = nullptr;
    if (m.size() < 6 || !swp08::ReadCrosspoint(m, &xp) || RouteSource(xp, &l) < 0 ||
        c.salvoEntries >= kMaxSalvoEntries)
        return;
    c.salvos[m[5] & 127].push_back(xp);
    ++c.salvoEntries;
    std::vector<uint8_t> ack(m.begin(), m.begin() + 6);
    ack[0] = swp08::CONNECT_ON_GO_ACK;
    Send(c, ack, now, out);
}

void Go(Client& c, const std::vector<uint8_t>& m, uint64_t now, Outbox& out)
{
    if (m.size() < 3)
        return;
    int salvo = m[2] & 127;
    auto it = c.salvos.find(salvo);
    uint8_t status = 2;   // nothing stored
    if (it != c.salvos.end()) {
        status = m[1] == 0 ? 0 : 1;
        for (const Crosspoint& xp : it->second) {
            Level* l = nullptr;
            int source = RouteSource(xp, &l);
            if (m[1] == 0 && source >= 0)
                SendRoute(*l, source, xp.dest + 1, out);
        }
        c.salvoEntries -= it->second.size();
        c.salvos.erase(it);
    }
    Send(c, {swp08::GO_DONE_ACK, status, (uint8_t)salvo}, now, out);
}

void Handle(Client& c, const std::vector<uint8_t>& m, uint64_t now, Outbox& out)
{
    uint8_t command = m[0];
    if (command >= 128)
        c.extended = true;
    Crosspoint xp;
    Level* l = nullptr;
    switch (command) {
    case swp08::INTERROGATE:
    case swp08::EXT_INTERROGATE:
        if (swp08::ReadCrosspoint(m, &xp) && (l = Find(xp.matrix, xp.level)) && xp.dest < l->def.dests)
            Tally(c, command == swp08::INTERROGATE ? swp08::TALLY : swp08::EXT_TALLY, *l, xp.dest, now,
                  out);
        break;
    case swp08::CONNECT:
    case swp08::EXT_CONNECT: {
        int source = swp08::ReadCrosspoint(m, &xp) ? RouteSource(xp, &l) : -1;
        if (source >= 0)
            SendRoute(*l, source, xp.dest + 1, out);
        break;
    }
    case swp08::TALLY_DUMP_REQUEST:
        if (m.size() >= 2 && (l = Find(m[1] >> 4, m[1] & 15)))
            Dump(c, false, *l, now, out);
        break;
    case swp08::EXT_TALLY_DUMP_REQUEST:
        if (m.size() >= 3 && (l = Find(m[1], m[2])))
            Dump(c, true, *l, now, out);
        break;
    case swp08::SOURCE_NAMES_REQUEST:
        if (m.size() >= 3 && (l = Find(m[1] >> 4, m[1] & 15)))
            Names(c, swp08::SOURCE_NAMES, *l, m[2], now, out);
        break;
    case swp08::EXT_SOURCE_NAMES_REQUEST:
        if (m.size() >= 4 && (l = Find(m[1], m[2])))
            Names(c, swp08::EXT_SOURCE_NAMES, *l, m[3], now, out);
        break;
    case swp08::DEST_NAMES_REQUEST:
        if (m.size() >= 3 && (l = NamesLevel(m[1] >> 4)))
            Names(c, swp08::DEST_NAMES, *l, m[2], now, out);
        break;
    case swp08::EXT_DEST_NAMES_REQUEST:
        if (m.size() >= 3 && (l = NamesLevel(m[1])))
            Names(c, swp08::EXT_DEST_NAMES, *l, m[2], now, out);
        break;
    case swp08::CONNECT_ON_GO:
        Salvo(c, m, now, out);
        break;
    case swp08::GO:
        Go(c, m, now, out);
        break;
    default:
        break;   // acknowledged, not acted on
    }
}

void Resend(Client& c, uint64_t now, Outbox& out)
{
    if (c.unacked.empty())
        return;
    if (++c.tries > kMaxTries) {
        // A client that never answers is not re-sent to again.
        c.unacked.clear();
        c.ignoresAcks = true;
        return;
    }
    out.clients.push_back({c.id, c.unacked.front()});
    c.waitingSince = now;
}

}  // namespace

void Swp08_Open(Client& c, Outbox& out)
{
    if (!AllPresent())
        out.close.push_back(c.id);   // closed until the router is back
}

void Swp08_Bytes(Client& c, const char* bytes, size_t n, uint64_t now, Outbox& out)
{
    std::vector<swp08::Event> events;
    c.deframer.Feed(reinterpret_cast<const uint8_t*>(bytes), n, events);
    for (const swp08::Event& e : events) {
        switch (e.kind) {
        case swp08::Event::MESSAGE:
            out.clients.push_back({c.id, swp08::AckBytes()});
            Handle(c, e.data, now, out);
            break;
        case swp08::Event::BAD:
            out.clients.push_back({c.id, swp08::NakBytes()});
            break;
        case swp08::Event::ACK_SEEN:
            // Over TCP nothing overtakes: an ACK answers everything sent before it.
            c.unacked.clear();
            c.tries = 0;
            break;
        case swp08::Event::NAK_SEEN:
            Resend(c, now, out);
            break;
        }
    }
}

void Swp08_Presence(Outbox& out)
{
    if (AllPresent())
        return;
    for (auto& entry : G().clients)
        if (entry.second.endpoint == kSwp08)
            out.close.push_back(entry.first);
}

void Swp08_Tally(size_t position, int dest, uint64_t now, Outbox& out)
{
    const Level& l = G().levels[position];
    for (auto& entry : G().clients)
        if (entry.second.endpoint == kSwp08)
            Tally(entry.second, swp08::CONNECTED, l, dest - 1, now, out);
}

void Swp08_Tick(Client& c, uint64_t now, Outbox& out)
{
    if (!c.unacked.empty() && now - c.waitingSince >= kResendMs)
        Resend(c, now, out);
}

}  // namespace gw
