#include "sim_engine.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <sstream>

namespace sim {

namespace {

const size_t kCommandMax = 256;
const size_t kRxKeep = 4u << 20;   // bytes of received history kept
const size_t kFloodBacklog = 16;   // flood lines queued at most
const char kError[] =
    "*** ERROR 2002 *** Illegal, Invalid, or overrange parameter entered\r\n"
    "Command entry ignored\r\n";
// What a router prints when it powers up; one line even holds "S:".
const char kBanner[] =
    "\r\n\r\nROUTING SWITCHER CONTROL PROCESSOR\r\n"
    "FIRMWARE 4.20  SERIAL PROTOCOL 2\r\n"
    "MEMORY TEST ..... PASSED\r\n"
    "SYSTEM STATUS: STARTING, PLEASE WAIT\r\n";

long Later(long now, long ms) { return ms > 0 ? now + ms : -1; }

// Decodes \r \n \t \\ and \xHH; any other escaped character stands for itself.
std::string Unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\\' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        c = text[++i];
        if (c == 'x' && i + 2 < text.size() &&
            HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            out += (char)(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
            continue;
        }
        out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
    return out;
}

}  // namespace

Engine::Engine(const Options& opt, const Router& router, long now)
    : opt_(opt),
      router_(router),
      start_(router),
      silent_(opt.silent),
      nextFlood_(Later(now, opt.floodMs)),
      rng_((unsigned)opt.seed)
{
    if (opt.bootMs > 0)
        Reboot(now, opt.bootMs, false);
}

// Power-up: whatever was on its way is lost, the banner goes out, then
// nothing is read or sent for ms; reporting is off again.
void Engine::Reboot(long now, long ms, bool reset)
{
    queue_.clear();
    line_.clear();
    overlong_ = false;
    opt_.reporting = false;
    opt_.busy = 0;
    if (reset)
        router_ = start_;
    bootUntil_ = -1;
    Emit(now, kBanner);
    bootUntil_ = now + ms;
    Log("rebooting: silent for " + std::to_string(ms) + " ms" + (reset ? ", crosspoints reset" : ""));
}

void Engine::Log(const std::string& text) const
{
    if (opt_.verbose)
        std::fprintf(stderr, "leitch_sim: %s\n", text.c_str());
}

void Engine::Received(const char* data, size_t n, long now)
{
    if (rx_.size() + n > kRxKeep)
        rx_.erase(0, rx_.size() / 2);
    rx_.append(data, n);
    for (size_t i = 0; i < n; ++i) {
        char c = data[i];
        if (c == '\n')
            continue;
        if (c != '\r') {
            if (line_.size() < kCommandMax)
                line_ += c;
            else
                overlong_ = true;
            continue;
        }
        if (!line_.empty() && !overlong_)
            OnCommand(line_, now);
        line_.clear();
        overlong_ = false;
    }
}

void Engine::OnCommand(const std::string& text, long now)
{
    ++commands_;
    // The monotonic clock's ms: a script on this machine can tell the
    // line's delay from its own delay in reading this log.
    Log("received \"" + text + "\" at " + std::to_string(now));
    if (silent_ || now < bootUntil_)
        return;
    if (opt_.echo == ECHO_LINE)
        Emit(now, text + "\r\n");
    else if (opt_.echo == ECHO_BARE)
        Emit(now, text);
    Command cmd = ParseCommand(text);
    Answer(cmd, now);
}

// The status line a query earns, if any: a busy router or one that waits
// for reporting to be on sends only its echo and prompt.
std::string Engine::QueryAnswer(const Command& cmd)
{
    if (opt_.busy > 0) {
        --opt_.busy;
        return "";
    }
    if (opt_.needReport && !opt_.reporting)
        return "";
    return Garbage(opt_.garbage) + Status(cmd.level, cmd.dest);
}

void Engine::Answer(const Command& cmd, long now)
{
    std::string out;
    bool ok = true;
    if (cmd.kind == CMD_REPORT_ON || cmd.kind == CMD_REPORT_OFF)
        opt_.reporting = cmd.kind == CMD_REPORT_ON;
    if (cmd.kind == CMD_QUERY) {
        ok = router_.HasDest(cmd.level, cmd.dest);
        if (ok)
            out = QueryAnswer(cmd);
    }
    if (cmd.kind == CMD_TAKE) {
        ok = router_.HasDest(cmd.level, cmd.dest) && router_.ValidSource(cmd.level, cmd.source);
        if (ok) {
            // A take is reported even when the source was already there:
            // the router confirms what it did.
            if (!ChangeAtRouter(cmd.level, cmd.dest, cmd.source, now) && opt_.reporting)
                out = Status(cmd.level, cmd.dest);
        }
    }
    if (!ok && opt_.errors)
        out += kError;
    if (opt_.prompt)
        out += ">";
    Emit(now, out);
}

// A split cuts the bytes at a random place; the rest goes a random 1 to
// splitMs later, and everything after it waits behind it.
void Engine::Emit(long due, const std::string& bytes)
{
    if (silent_ || due < bootUntil_ || bytes.empty())
        return;
    if (opt_.splitMs <= 0 || bytes.size() < 2) {
        queue_.push_back({due, bytes});
        return;
    }
    size_t cut = 1 + rng_() % (bytes.size() - 1);
    queue_.push_back({due, bytes.substr(0, cut)});
    queue_.push_back({due + 1 + (long)(rng_() % (unsigned long)opt_.splitMs), bytes.substr(cut)});
}

// True when the crosspoint changed; with reporting on, the change goes
// out as a status line.
bool Engine::ChangeAtRouter(int level, long dest, long source, long now)
{
    if (!router_.Set(level, dest, source))
        return false;
    Log("level " + std::to_string(level) + " destination " + std::to_string(dest + 1) +
        " now shows source " + std::to_string(source + 1));
    if (opt_.reporting)
        Emit(now, Status(level, dest));
    return true;
}

std::string Engine::Status(int level, long dest) const
{
    return StatusLine(level, dest, router_.Get(level, dest), opt_.lower, (int)opt_.pad);
}

std::string Engine::Garbage(long n)
{
    std::string bytes;
    for (long i = 0; i < n; ++i)
        bytes += (char)(rng_() & 0xFF);
    return bytes;
}

void Engine::Tick(long now)
{
    while (nextFlood_ >= 0 && now >= nextFlood_) {
        Flood(now);
        nextFlood_ += opt_.floodMs;
    }
}

// The next destination of a round over every level the router has. A
// flood faster than paced output keeps a short backlog, not a growing one.
void Engine::Flood(long now)
{
    if (queue_.size() >= kFloodBacklog)
        return;
    for (int tries = 0; tries < LEVELS; ++tries) {
        if (router_.HasDest(floodLevel_, floodDest_)) {
            Emit(now, Status(floodLevel_, floodDest_++));
            return;
        }
        floodLevel_ = (floodLevel_ + 1) % LEVELS;
        floodDest_ = 0;
    }
}

// Paced output counts from the start of a run of output: one byte may go
// at once, then pace bytes a second. A pause with nothing due starts anew.
long Engine::PaceBudget(long now) const
{
    return opt_.pace * (now - paceFrom_) / 1000 + 1 - paceSent_;
}

void Engine::PaceFrom(long now)
{
    paceFrom_ = now;
    paceSent_ = 0;
}

std::string Engine::TakeDue(long now)
{
    std::string out;
    // Merged output waits until the first bytes have waited mergeMs.
    if (!queue_.empty() && queue_.front().due + opt_.mergeMs > now)
        return out;
    bool due = !queue_.empty() && queue_.front().due <= now;
    if (opt_.pace > 0 && !due)
        PaceFrom(now);
    long budget = opt_.pace > 0 ? PaceBudget(now) : LONG_MAX;
    while (budget > 0 && !queue_.empty() && queue_.front().due <= now) {
        std::string& bytes = queue_.front().bytes;
        size_t n = std::min((size_t)budget, bytes.size());
        out.append(bytes, 0, n);
        bytes.erase(0, n);
        budget -= (long)n;
        if (bytes.empty())
            queue_.pop_front();
    }
    paceSent_ += (long)out.size();
    return out;
}

// When the front of the queue may go: its due time, or when paced output
// has earned its next byte.
long Engine::NextOutput(long now) const
{
    if (queue_.empty())
        return -1;
    long due = queue_.front().due + opt_.mergeMs;
    if (opt_.pace <= 0 || due > now || PaceBudget(now) > 0)
        return due;
    return paceFrom_ + (paceSent_ * 1000 + opt_.pace - 1) / opt_.pace;
}

long Engine::NextEvent(long now) const
{
    long next = -1;
    for (long t : {NextOutput(now), nextFlood_})
        if (t >= 0 && (next < 0 || t < next))
            next = t;
    if (next < 0)
        return -1;
    return next > now ? next - now : 0;
}

std::string Engine::Control(const std::string& line, long now, bool* quit)
{
    std::istringstream in(line);
    std::string word;
    in >> word;
    std::string rest;
    std::getline(in, rest);
    if (!rest.empty() && rest[0] == ' ')
        rest.erase(0, 1);
    long n = -1;
    std::istringstream(rest) >> n;

    if (word == "set" || word == "get" || word == "report")
        return ControlSet(line, now);
    if (word == "silent") {
        silent_ = true;
        queue_.clear();
        return "ok\n";
    }
    if (word == "resume") {
        silent_ = false;
        return "ok\n";
    }
    if (word == "commands")
        return "ok " + std::to_string(commands_) + "\n";
    if (word == "rx")
        return "ok " + std::to_string(rx_.size()) + "\n" + rx_;
    if (word == "clear") {
        rx_.clear();
        return "ok\n";
    }
    if (word == "send") {
        Emit(now, Unescape(rest));
        return "ok\n";
    }
    if (word == "quit") {
        *quit = true;
        return "ok\n";
    }
    if (word == "reboot") {
        std::istringstream args(rest);
        long ms = -1;
        std::string crosspoints;
        if (!(args >> ms >> crosspoints) || ms < 0 || ms > 3600000 ||
            (crosspoints != "keep" && crosspoints != "reset"))
            return "error want: reboot MS keep|reset\n";
        Reboot(now, ms, crosspoints == "reset");
        return "ok\n";
    }
    std::string error;
    if (IsSwitch(word))
        return SetSwitch(&opt_, word, rest, &error) ? "ok\n" : "error " + error + "\n";
    if (n < 0)
        return "error unknown command or bad number: " + line + "\n";
    if (word == "garbage" && n <= 65536) {
        Emit(now, Garbage(n));
    } else if (word == "pace" && n <= (1L << 24)) {
        opt_.pace = n;
        PaceFrom(now);
    } else {
        return "error unknown command or bad number: " + line + "\n";
    }
    return "ok\n";
}

// "set L D S", "get L D", "report L D" in the driver's numbering.
std::string Engine::ControlSet(const std::string& line, long now)
{
    std::istringstream in(line);
    std::string word, levelText;
    long dest = 0, source = -1;
    in >> word >> levelText >> dest;
    int level = ParseLevel(levelText);
    if (level < 0 || !router_.HasDest(level, dest - 1))
        return "error no such level or destination\n";
    if (word == "get")
        return "ok " + std::to_string(router_.Get(level, dest - 1) + 1) + "\n";
    if (word == "report") {
        Emit(now, Status(level, dest - 1));
        return "ok\n";
    }
    if (!(in >> source) || !router_.ValidSource(level, source - 1))
        return "error no such source\n";
    ChangeAtRouter(level, dest - 1, source - 1, now);
    return "ok\n";
}

}  // namespace sim
