#include "stand-ins/hxihost/host_logic.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "hostlink/cmd_fields.h"
#include "hostlink/hxi_messages.h"

namespace hxihost {

namespace {

// Decimal with an optional sign after leading blanks; 0 without digits;
// saturates far beyond any device number.
long ReadNumber(const char* p, const char** end)
{
    while (*p == ' ')
        ++p;
    bool negative = (*p == '-');
    if (*p == '+' || *p == '-')
        ++p;
    long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (value < 100000000)
            value = value * 10 + (*p - '0');
    if (end)
        *end = p;
    return negative ? -value : value;
}

std::string Upper(std::string s)
{
    for (char& c : s)
        c = (char)std::toupper((unsigned char)c);
    return s;
}

std::string Key(int device, int kind, int number)
{
    return std::to_string(device) + "/" + std::to_string(kind) + "/" + std::to_string(number);
}

}  // namespace

void FeedBytes(LineReader& r, const char* data, size_t n, std::vector<InLine>& out)
{
    for (size_t i = 0; i < n; ++i) {
        char c = data[i];
        if (c == '\n') {
            if (!r.partial.empty() && r.partial.back() == '\r')
                r.partial.pop_back();
            if (r.discarding || r.partial.size() > kMaxLine)
                out.push_back({true, ""});
            else
                out.push_back({false, r.partial});
            r.partial.clear();
            r.discarding = false;
            continue;
        }
        if (r.discarding)
            continue;
        // One byte of slack for the CR of a CR LF end.
        if (r.partial.size() > kMaxLine) {
            r.partial.clear();
            r.discarding = true;
            continue;
        }
        r.partial.push_back(c);
    }
}

void OutQueue::Push(const std::string& line)
{
    lines_.push_back(line);
    bytes_ += line.size() + 1;
    while (bytes_ > maxBytes_ && lines_.size() > 1) {
        bytes_ -= lines_.front().size() + 1;
        lines_.pop_front();
        ++dropped_;
        ++unreported_;
    }
}

bool OutQueue::Pop(std::string* line)
{
    if (unreported_) {
        *line = "# " + std::to_string(unreported_) + " lines dropped\n";
        unreported_ = 0;
        return true;
    }
    if (lines_.empty())
        return false;
    *line = lines_.front() + "\n";
    bytes_ -= lines_.front().size() + 1;
    lines_.pop_front();
    return true;
}

int CommandDevice(const std::string& text)
{
    CmdFields fields;
    Cmd_ReadFields(text.c_str(), 1, &fields);
    return fields.arg[0];
}

std::string CommandRefusal(const std::string& text)
{
    // The driver sees the text up to its first NUL and keeps CMD_TEXT_KEPT
    // characters of it: exactly those are judged, with its own reader.
    std::string kept(text.c_str(), std::min(std::strlen(text.c_str()), (size_t)CMD_TEXT_KEPT));
    int needed = Cmd_FieldsNeeded(kept.c_str());
    if (needed == 0)
        return "";   // the driver ignores every other text
    CmdFields fields;
    if (Cmd_ReadFields(kept.c_str(), needed, &fields) < needed)
        return "# command cut short: refused";
    // Fields are set in order, so a non-zero requester (the last) also
    // shows that none is missing.
    if (fields.arg[needed - 1] == 0)
        return "# requester 0 is the operator panel: refused";
    return "";
}

bool LooksLikeHttp(const std::string& line)
{
    static const char* const methods[] = {"GET ", "POST ", "PUT ", "HEAD ", "OPTIONS ",
                                          "DELETE ", "PATCH ", "CONNECT ", "TRACE "};
    if (line.find(" HTTP/") != std::string::npos)
        return true;
    for (const char* m : methods)
        if (line.compare(0, std::strlen(m), m) == 0)
            return true;
    return false;
}

bool HoldsForeignBytes(const char* data, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = (unsigned char)data[i];
        if ((c < 32 && c != '\t' && c != '\r' && c != '\n') || c == 127)
            return true;
    }
    return false;
}

std::string FirstLineRefusal(const LineReader& reader, const std::vector<InLine>& lines)
{
    if (lines.empty() ? reader.discarding : lines[0].tooLong)
        return "# first line too long: closed";
    if (!lines.empty() && LooksLikeHttp(lines[0].text))
        return "# HTTP is not served here: closed";
    return "";
}

Request ParseRequest(const std::string& line, std::string* error)
{
    struct { const char* name; RequestKind kind; int args; } table[] = {
        {"GORXONLY", REQ_GORXONLY, 2}, {"GOTXRX", REQ_GOTXRX, 2}, {"INQTXRX", REQ_INQTXRX, 1},
        {"SETRXONLY", REQ_SETRXONLY, 1}, {"CLOSE", REQ_CLOSE, 1}, {"STATUS", REQ_STATUS, 0},
    };
    Request bad = {REQ_BAD, "", 0, 0};
    std::istringstream in(line.substr(1));
    std::string word;
    in >> word;
    word = Upper(word);
    for (const auto& t : table) {
        if (word != t.name)
            continue;
        Request r = {t.kind, t.name, 0, 0};
        std::vector<std::string> args;
        std::string a;
        while (in >> a)
            args.push_back(a);
        size_t required = t.args ? 1 : 0;
        if (args.size() < required || args.size() > (size_t)t.args) {
            *error = t.args == 0 ? "usage: !" + word
                                 : "usage: !" + word + " <device>" + (t.args == 2 ? " [<excepted device>]" : "");
            return bad;
        }
        for (size_t i = 0; i < args.size(); ++i) {
            const char* end = nullptr;
            long v = ReadNumber(args[i].c_str(), &end);
            if (*end != '\0' || end == args[i].c_str()) {
                *error = "not a number: " + args[i];
                return bad;
            }
            (i == 0 ? r.device : r.except) = (int)v;
        }
        return r;
    }
    *error = "unknown request: !" + word;
    return bad;
}

std::string MessageName(unsigned msg)
{
    switch (msg) {
    case ZUV_TXREVERTIVE: return "TXREVERTIVE";
    case ZUV_TXREPLY: return "TXREPLY";
    case ZUV_TXINFO: return "TXINFO";
    case ZUV_REQNAME: return "REQNAME";
    case ZUV_DEREGDEV: return "DEREGDEV";
    case ZUV_REGDEV: return "REGDEV";
    case ZUV_ASSERTDEVMODE: return "ASSERTDEVMODE";
    default: return "MSG" + std::to_string(msg);
    }
}

std::string MessageLine(unsigned msg, uint32_t param, const std::string& text)
{
    std::string line = MessageName(msg) + " " + std::to_string(param);
    if (!text.empty())
        line += " " + text;
    return line;
}

std::string DataText(const char* data, size_t length)
{
    std::string text;
    for (size_t i = 0; i < length && data[i] != '\0'; ++i) {
        unsigned char c = (unsigned char)data[i];
        text.push_back(c < 32 || c == 127 ? ' ' : (char)c);
    }
    return text;
}

int Names::Load(const std::string& text)
{
    std::istringstream in(text);
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::istringstream fields(line);
        std::string kindText;
        int device = 0, number = 0;
        if (!(fields >> device >> kindText >> number) || device <= 0 || number <= 0)
            continue;
        kindText = Upper(kindText);
        if (kindText != "S" && kindText != "D")
            continue;
        std::string name;
        std::getline(fields >> std::ws, name);
        names_[Key(device, kindText == "D", number)] = name.substr(0, 17);
        ++count;
    }
    return count;
}

std::string Names::Get(int device, int kind, int number) const
{
    auto it = names_.find(Key(device, kind != 0, number));
    if (it != names_.end())
        return it->second;
    char made[32];
    std::snprintf(made, sizeof made, "%s %03d", kind ? "DST" : "SRC", number);
    return made;
}

void AnswerNameBlock(const Names& names, unsigned char* block, size_t length)
{
    if (length < 6)
        return;
    std::string name =
        names.Get(NameRequest_Device(block), NameRequest_Kind(block), NameRequest_Number(block));
    std::memset(block, 0, length);
    size_t n = name.size() < length - 1 ? name.size() : length - 1;
    if (n > 17)
        n = 17;
    std::memcpy(block, name.data(), n);
}

int Registry::Register(uint64_t wnd, int device, uint32_t owner)
{
    auto forcedResult = forced.find(device);
    int result;
    if (forcedResult != forced.end())
        result = forcedResult->second;
    else if (!driverMode)
        result = HXI_REG_NOT_DRIVER;
    else if (device < 1 || device > 999)
        result = HXI_REG_INVALID;
    else if (regs_.count(device) && regs_[device].wnd != wnd)
        result = HXI_REG_IN_USE;
    else
        result = HXI_REG_OK;
    if (result == HXI_REG_OK && !regs_.count(device))
        regs_[device] = Registration{wnd, owner, 0};
    return result;
}

int Registry::Deregister(uint64_t wnd) { return Remove(wnd, true, 0); }

int Registry::DeregisterFrom(uint64_t wnd, uint32_t process) { return Remove(wnd, false, process); }

bool Registry::HeldByOther(uint64_t wnd, uint32_t process) const
{
    for (const auto& r : regs_)
        if ((uint32_t)r.second.wnd == (uint32_t)wnd && r.second.owner != process)
            return true;
    return false;
}

int Registry::Remove(uint64_t wnd, bool anyOwner, uint32_t process)
{
    int n = 0;
    for (auto it = regs_.begin(); it != regs_.end();) {
        // Window handles travel as 32-bit parameters; their low half names them.
        bool owned = anyOwner || (process != 0 && it->second.owner == process);
        if ((uint32_t)it->second.wnd == (uint32_t)wnd && owned) {
            it = regs_.erase(it);
            ++n;
        } else {
            ++it;
        }
    }
    return n;
}

void Registry::Asserted(int device, int mode)
{
    auto it = regs_.find(device);
    if (it != regs_.end())
        it->second.mode = mode;
}

uint64_t Registry::WindowOf(int device) const
{
    auto it = regs_.find(device);
    return it == regs_.end() ? 0 : it->second.wnd;
}

void TextOffers::Offer(uint32_t id, const std::string& text, uint32_t owner)
{
    offers_[id] = Offered{text, owner};
}

bool TextOffers::Take(uint32_t id, uint32_t process, std::string* text)
{
    auto it = offers_.find(id);
    if (it == offers_.end() || process == 0 || it->second.owner != process)
        return false;
    *text = std::move(it->second.text);
    offers_.erase(it);
    return true;
}

AddResult Delivery::Add(const Job& job)
{
    if (hung && Held() >= kHeld) {
        ++refused;
        return ADD_HELD_FULL;
    }
    size_t mine = waiting_.SizeOf(job.client);
    if (mine >= kPerClient || (Held() >= kQueued && mine >= kFloor)) {
        ++refused;
        return ADD_SHARE_FULL;
    }
    waiting_.Push(job.client, job);
    return ADD_QUEUED;
}

bool Delivery::Next(uint64_t now, uint64_t retryMs, Job* job)
{
    if (waiting_.Empty())
        return false;
    if (hung) {
        if (now - lastProbe_ < retryMs)
            return false;
        lastProbe_ = now;
    } else if (inFlight_.size() >= kInFlight) {
        return false;
    } else if (!inFlight_.empty() && (inFlight_.back().request || waiting_.Front().request)) {
        return false;
    }
    uint64_t client;
    *job = waiting_.Pop(&client);
    job->seq = nextSeq_++;
    job->sentAt = now;
    inFlight_.push_back(*job);
    return true;
}

bool Delivery::Answered(uint32_t seq, Job* job)
{
    for (auto it = inFlight_.begin(); it != inFlight_.end(); ++it) {
        if (it->seq != seq)
            continue;
        *job = *it;
        inFlight_.erase(it);
        ++delivered;
        if (hung) {
            hung = false;
            recovered = true;
        }
        return true;
    }
    return false;
}

bool Delivery::Overdue(uint64_t now, uint64_t limitMs)
{
    if (hung || inFlight_.empty() || now - inFlight_.front().sentAt <= limitMs)
        return false;
    hung = true;
    ++hangs;
    lastProbe_ = now;
    return true;
}

std::vector<Job> Delivery::TakeAll()
{
    std::vector<Job> all(inFlight_.begin(), inFlight_.end());
    for (Job& job : waiting_.TakeAll())
        all.push_back(std::move(job));
    inFlight_.clear();
    return all;
}

}  // namespace hxihost
