// valdrn_gateway / GATEWAY.EXE: serves the router's levels to Videohub and
// SW-P-08 control systems as one client of the host's TCP line interface.
// One thread: a poll over the host connection, the listeners and clients.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "gateway/gateway.h"
#include "gateway/net.h"

namespace {

const size_t kMaxClientQueue = 8u << 20;   // a client this far behind is closed
const size_t kMaxHostLine = 4096;
const int kMaxClients = 200;
const uint64_t kReconnectMs = 1000;
const uint64_t kTickMs = 50;

struct Args {
    gw::Options options;
    std::string config = ".", names, host = "127.0.0.1", bind = "0.0.0.0", portFile;
    int hostPort = 7100, videohubPort = 9990, swp08Port = 8910;
};

struct Conn {
    net::Sock sock;
    int endpoint;
    std::string out;
    bool closing = false;
};

struct Loop {
    std::vector<std::pair<net::Sock, int>> listeners;   // socket, endpoint
    std::map<int, Conn> conns;
    int nextId = 1;
    net::Sock host = net::kNone;
    bool hostUp = false, hostConnecting = false;
    std::string hostIn, hostOut;
    uint64_t nextTry = 0, nextTick = 0;
    std::vector<bool> present;
};

void Usage()
{
    std::puts("usage: valdrn_gateway --requester N [--config DIR] [--names FILE]\n"
              "  [--host ADDR] [--host-port 7100] [--bind ADDR] [--videohub-port 9990]\n"
              "  [--swp08-port 8910] [--matrix 0] [--portfile FILE]\n"
              "N (1-32767) is the gateway's requester on the host's lines; 0 is the\n"
              "operator panel's and is refused. DIR holds the driver's VAL_DRN.INI and\n"
              "DEV_nnn.INI; FILE is the host's names file.");
}

bool ParseArgs(int argc, char** argv, Args* a)
{
    for (int i = 1; i < argc; ++i) {
        std::string k = argv[i];
        if (i + 1 >= argc)
            return false;
        std::string v = argv[++i];
        int n = std::atoi(v.c_str());
        if (k == "--requester") a->options.requester = n;
        else if (k == "--config") a->config = v;
        else if (k == "--names") a->names = v;
        else if (k == "--host") a->host = v;
        else if (k == "--host-port") a->hostPort = n;
        else if (k == "--bind") a->bind = v;
        else if (k == "--videohub-port") a->videohubPort = n;
        else if (k == "--swp08-port") a->swp08Port = n;
        else if (k == "--matrix") a->options.matrix = n;
        else if (k == "--portfile") a->portFile = v;
        else return false;
    }
    return true;
}

void Log(const std::string& text)
{
    std::printf("gateway: %s\n", text.c_str());
    std::fflush(stdout);
}

void Flush(Loop& L, uint64_t now);

void Apply(Loop& L, gw::Outbox& out, uint64_t now)
{
    for (const std::string& line : out.host)
        if (L.hostUp)
            L.hostOut += line + "\n";
    for (auto& item : out.clients) {
        auto it = L.conns.find(item.first);
        if (it == L.conns.end() || it->second.closing)
            continue;
        it->second.out += item.second;
        if (it->second.out.size() > kMaxClientQueue) {
            Log("client " + std::to_string(item.first) + " too far behind: closed");
            it->second.closing = true;
            it->second.out.clear();
        }
    }
    for (int id : out.close) {
        auto it = L.conns.find(id);
        if (it != L.conns.end())
            it->second.closing = true;   // closed once what waits is written
    }
    out = gw::Outbox();
    Flush(L, now);
}

void HostDown(Loop& L, uint64_t now)
{
    if (L.host != net::kNone)
        net::Close(L.host);
    if (L.hostUp)
        Log("host connection lost");
    L.host = net::kNone;
    L.hostUp = L.hostConnecting = false;
    L.hostIn.clear();
    L.hostOut.clear();
    L.nextTry = now + kReconnectMs;
    gw::Outbox out;
    gw::Gateway_HostDown(out);
    Apply(L, out, now);
}

void HostUp(Loop& L, uint64_t now)
{
    L.hostUp = true;
    L.hostConnecting = false;
    Log("connected to the host");
    gw::Outbox out;
    gw::Gateway_HostUp(now, out);
    Apply(L, out, now);
}

void Flush(Loop& L, uint64_t now)
{
    if (L.hostUp && !L.hostOut.empty()) {
        long n = net::Send(L.host, L.hostOut.data(), L.hostOut.size());
        if (n < 0) {
            HostDown(L, now);
        } else {
            L.hostOut.erase(0, (size_t)n);
        }
    }
    for (auto it = L.conns.begin(); it != L.conns.end();) {
        Conn& c = it->second;
        if (!c.out.empty()) {
            long n = net::Send(c.sock, c.out.data(), c.out.size());
            if (n < 0) {
                c.closing = true;
                c.out.clear();
            } else {
                c.out.erase(0, (size_t)n);
            }
        }
        if (c.closing && c.out.empty()) {
            net::Close(c.sock);
            gw::Gateway_ClientClosed(it->first);
            it = L.conns.erase(it);
            continue;
        }
        ++it;
    }
}

void HostRead(Loop& L, uint64_t now)
{
    char buffer[65536];
    long n = net::Recv(L.host, buffer, sizeof buffer);
    if (n == -2)
        return;
    if (n <= 0) {
        HostDown(L, now);
        return;
    }
    gw::Outbox out;
    for (long i = 0; i < n; ++i) {
        if (buffer[i] != '\n') {
            if (L.hostIn.size() < kMaxHostLine)
                L.hostIn += buffer[i];
            continue;
        }
        if (!L.hostIn.empty() && L.hostIn.back() == '\r')
            L.hostIn.pop_back();
        gw::Gateway_HostLine(L.hostIn, now, out);
        L.hostIn.clear();
    }
    Apply(L, out, now);
}

void AcceptOn(Loop& L, net::Sock listener, int endpoint, uint64_t now)
{
    for (;;) {
        net::Sock s = net::Accept(listener);
        if (s == net::kNone)
            return;
        if (L.conns.size() >= (size_t)kMaxClients) {
            net::Close(s);
            continue;
        }
        int id = L.nextId++;
        L.conns[id] = Conn{s, endpoint};
        gw::Outbox out;
        gw::Gateway_ClientOpen(id, endpoint, now, out);
        Apply(L, out, now);
    }
}

void ClientRead(Loop& L, int id, uint64_t now)
{
    auto it = L.conns.find(id);
    if (it == L.conns.end() || it->second.closing)
        return;
    char buffer[16384];
    long n = net::Recv(it->second.sock, buffer, sizeof buffer);
    if (n == -2)
        return;
    if (n <= 0) {
        it->second.closing = true;
        it->second.out.clear();
        Flush(L, now);
        return;
    }
    gw::Outbox out;
    gw::Gateway_ClientBytes(id, buffer, (size_t)n, now, out);
    Apply(L, out, now);
}

void ReportPresence(Loop& L)
{
    for (size_t i = 0; i < gw::Gateway_Levels(); ++i) {
        bool p = gw::Gateway_Present(i);
        if (p == L.present[i])
            continue;
        L.present[i] = p;
        const gw::LevelDef& d = gw::Gateway_Level(i);
        Log("level " + std::string(1, (char)('A' + d.index)) + " (device " +
            std::to_string(d.device) + ") " + (p ? "present" : "absent"));
    }
}

void Run(Loop& L, const Args& a)
{
    for (;;) {
        uint64_t now = net::NowMs();
        if (L.host == net::kNone && now >= L.nextTry) {
            bool done = false;
            L.host = net::Connect(a.host, a.hostPort, &done);
            if (L.host == net::kNone)
                L.nextTry = now + kReconnectMs;
            else if (done)
                HostUp(L, now);
            else
                L.hostConnecting = true;
        }
        std::vector<net::Watch> w;
        for (auto& l : L.listeners)
            w.push_back({l.first, net::READ, 0});
        std::vector<int> ids;
        for (auto& c : L.conns) {
            w.push_back({c.second.sock, net::READ | (c.second.out.empty() ? 0 : net::WRITE), 0});
            ids.push_back(c.first);
        }
        bool watchHost = L.host != net::kNone;
        if (watchHost)
            w.push_back({L.host, L.hostConnecting ? net::WRITE
                                                  : net::READ | (L.hostOut.empty() ? 0 : net::WRITE), 0});
        net::Poll(w, (int)kTickMs);
        now = net::NowMs();
        size_t k = 0;
        for (auto& l : L.listeners)
            if (w[k++].got)
                AcceptOn(L, l.first, l.second, now);
        for (int id : ids)
            if (w[k++].got & (net::READ | net::FAIL))
                ClientRead(L, id, now);
        if (watchHost && L.host != net::kNone) {
            const net::Watch& h = w[k];
            if (L.hostConnecting && h.got) {
                if (net::Connected(L.host))
                    HostUp(L, now);
                else
                    HostDown(L, now);
            } else if (!L.hostConnecting && (h.got & (net::READ | net::FAIL))) {
                HostRead(L, now);
            }
        }
        if (now >= L.nextTick) {
            L.nextTick = now + kTickMs;
            gw::Outbox out;
            gw::Gateway_Tick(now, out);
            Apply(L, out, now);
        }
        Flush(L, now);
        ReportPresence(L);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    Args a;
    if (!ParseArgs(argc, argv, &a)) {
        Usage();
        return 2;
    }
    if (a.options.requester < 1 || a.options.requester > 32767) {
        std::fprintf(stderr, "gateway: --requester must be 1-32767 (0 is the operator panel's)\n");
        return 2;
    }
    gw::Site site;
    std::string error = gw::LoadSite(a.config, &site);
    for (const std::string& note : site.notes)
        Log(note);
    if (!error.empty()) {
        std::fprintf(stderr, "gateway: %s\n", error.c_str());
        return 1;
    }
    gw::Names names;
    std::string text;
    if (!a.names.empty()) {
        if (!gw::ReadFile(a.names, &text)) {
            std::fprintf(stderr, "gateway: cannot read %s\n", a.names.c_str());
            return 1;
        }
        Log(std::to_string(names.Load(text)) + " names from " + a.names);
    }
    if (!net::Init())
        return 1;
    gw::Gateway_Start(site, names, a.options);
    Loop L;
    std::string ports;
    for (size_t i = 0; i <= site.levels.size(); ++i) {
        bool swp = i == site.levels.size();
        int want = swp ? a.swp08Port : a.videohubPort ? a.videohubPort + (int)i : 0, bound = 0;
        net::Sock s = net::Listen(a.bind, want, &bound);
        if (s == net::kNone) {
            std::fprintf(stderr, "gateway: cannot listen on %s:%d\n", a.bind.c_str(), want);
            return 1;
        }
        L.listeners.push_back({s, swp ? gw::kSwp08 : (int)i});
        std::string what = swp ? "swp08" : "videohub " + std::string(1, (char)('A' + site.levels[i].index));
        Log(what + " on port " + std::to_string(bound) +
            (swp ? "" : " (device " + std::to_string(site.levels[i].device) + ", " +
                            std::to_string(site.levels[i].sources) + "x" +
                            std::to_string(site.levels[i].dests) + ")"));
        ports += what + " " + std::to_string(bound) + "\n";
    }
    if (!a.portFile.empty()) {
        std::string tmp = a.portFile + ".tmp";
        if (FILE* f = std::fopen(tmp.c_str(), "wb")) {
            std::fputs(ports.c_str(), f);
            std::fclose(f);
            std::rename(tmp.c_str(), a.portFile.c_str());
        }
    }
    L.present.assign(site.levels.size(), false);
    Run(L, a);
}
