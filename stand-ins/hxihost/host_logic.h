// The host interface's decisions, free of any system call: line assembly and
// output queues for TCP clients, the lines written for driver messages, the
// "!" requests, registrations and names. HXIHOST.EXE wraps these in windows,
// a named pipe and sockets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace hxihost {

const size_t kMaxLine = 1024;   // longest client line, without its end

// Assembles a client's bytes into lines. A line longer than kMaxLine is
// discarded whole and reported once, when its end arrives.
struct LineReader {
    std::string partial;
    bool discarding = false;
};
struct InLine {
    bool tooLong;
    std::string text;   // without CR LF
};
void FeedBytes(LineReader& reader, const char* data, size_t n, std::vector<InLine>& out);

// Lines waiting for one client. Past the limit the oldest are dropped and
// counted; the count is reported before the next line goes out.
class OutQueue {
public:
    explicit OutQueue(size_t maxBytes) : maxBytes_(maxBytes) {}
    void Push(const std::string& line);
    // The next line to write (with its LF), or false when none waits.
    bool Pop(std::string* line);
    bool Empty() const { return lines_.empty() && unreported_ == 0; }
    uint64_t Dropped() const { return dropped_; }

private:
    size_t maxBytes_;
    size_t bytes_ = 0;
    std::deque<std::string> lines_;
    uint64_t dropped_ = 0;
    uint64_t unreported_ = 0;
};

// Device number of a command text: the first field, read with the driver's
// own reader (hostlink/cmd_fields.h).
int CommandDevice(const std::string& text);

// Why a client's command text may not go to a driver, or "" when it may.
// Requester 0 is the operator panel, which the driver always permits: a
// text that names it, or leaves its requester field out (read as 0), or is
// cut short (the driver would act on older fields), is refused. The text is
// judged on the characters the driver keeps (CMD_TEXT_KEPT), read by the
// driver's own reader, so what passes is what the driver acts on.
std::string CommandRefusal(const std::string& text);

// Whether a connection's first line is an HTTP request line (a web page
// reaching the port), and whether bytes can belong to a protocol line at
// all; either closes the connection before anything it sent is executed.
bool LooksLikeHttp(const std::string& firstLine);
bool HoldsForeignBytes(const char* data, size_t n);
// The farewell for a connection whose first line may not be followed, or ""
// when it may go on: a first line over kMaxLine (judged as soon as it passes
// the limit) or one that looks like an HTTP request. `lines` are those the
// reader gave for the connection's first bytes that held any.
std::string FirstLineRefusal(const LineReader& reader, const std::vector<InLine>& lines);

enum RequestKind { REQ_GORXONLY, REQ_GOTXRX, REQ_INQTXRX, REQ_SETRXONLY, REQ_CLOSE, REQ_STATUS,
                   REQ_BAD };
struct Request {
    RequestKind kind;
    const char* name;   // as the client wrote it, upper case
    int device;
    int except;         // excepted device, 0 when none
};
// Parses a line beginning with "!"; REQ_BAD with a reason in *error.
Request ParseRequest(const std::string& line, std::string* error);

// The line written to every client for a message from a driver: the message
// name without its prefix, the 32-bit parameter in decimal, then the text.
std::string MessageName(unsigned msg);
std::string MessageLine(unsigned msg, uint32_t param, const std::string& text);
// Data of a library message as one line of text: up to the first NUL, line
// ends and other control characters shown as blanks.
std::string DataText(const char* data, size_t length);

// Names from a names file: lines "<device> S|D <number> <name>"; '#' starts a
// comment. Others are made up as "SRC 007" and "DST 007".
class Names {
public:
    // Returns the number of names read; bad lines are skipped.
    int Load(const std::string& text);
    std::string Get(int device, int kind, int number) const;

private:
    std::map<std::string, std::string> names_;
};
// Answers a name request block in place (at most 17 characters and a NUL).
void AnswerNameBlock(const Names& names, unsigned char* block, size_t length);

// Registrations of device numbers by driver windows.
struct Registration {
    uint64_t wnd;
    uint32_t owner;     // process that owns the window
    int mode;           // last asserted mode, 0 before any
};
class Registry {
public:
    bool driverMode = true;
    std::map<int, int> forced;   // device -> result given whatever else holds

    // The result of ZUV_REGDEV: 0 registered, 1 invalid number, 2 held by
    // another window, 3 not in driver mode.
    int Register(uint64_t wnd, int device, uint32_t owner);
    // Forgets every device of the window; returns how many there were.
    int Deregister(uint64_t wnd);
    // The same, asked for by a process: only the window's owner may.
    int DeregisterFrom(uint64_t wnd, uint32_t process);
    bool HeldByOther(uint64_t wnd, uint32_t process) const;   // registered by another process
    void Asserted(int device, int mode);
    uint64_t WindowOf(int device) const;   // 0 when not registered
    const std::map<int, Registration>& All() const { return regs_; }

private:
    int Remove(uint64_t wnd, bool anyOwner, uint32_t process);
    std::map<int, Registration> regs_;
};

// Items of several clients waiting in one place: each client's in arrival
// order, the clients taking turns, so that one client's flood holds up
// nobody else.
template <class T>
class Turns {
public:
    void Push(uint64_t client, T item)
    {
        std::deque<T>& mine = waiting_[client];
        if (mine.empty())
            order_.push_back(client);
        mine.push_back(std::move(item));
        ++count_;
    }
    bool Empty() const { return order_.empty(); }
    size_t Size() const { return count_; }
    size_t SizeOf(uint64_t client) const
    {
        auto it = waiting_.find(client);
        return it == waiting_.end() ? 0 : it->second.size();
    }
    const T& Front() const { return waiting_.at(order_.front()).front(); }
    // The next item (of the client whose turn it is); the client goes to the
    // back of the line.
    T Pop(uint64_t* client)
    {
        *client = order_.front();
        order_.pop_front();
        std::deque<T>& mine = waiting_[*client];
        T item = std::move(mine.front());
        mine.pop_front();
        --count_;
        if (mine.empty())
            waiting_.erase(*client);
        else
            order_.push_back(*client);
        return item;
    }
    std::vector<T> TakeAll()
    {
        std::vector<T> all;
        uint64_t client;
        while (!Empty())
            all.push_back(Pop(&client));
        return all;
    }

private:
    std::map<uint64_t, std::deque<T>> waiting_;
    std::deque<uint64_t> order_;   // clients with items waiting, next first
    size_t count_ = 0;
};

// Command texts a driver may fetch: each is offered when its announcement
// is sent to the driver (never earlier, so no other process can have it run
// ahead of its turn), to the process owning the driver window only, and is
// handed out once.
class TextOffers {
public:
    void Offer(uint32_t id, const std::string& text, uint32_t owner);
    // The text for a fetch by `process`; false when none is offered to it.
    bool Take(uint32_t id, uint32_t process, std::string* text);
    void Withdraw(uint32_t id) { offers_.erase(id); }

private:
    struct Offered {
        std::string text;
        uint32_t owner;
    };
    std::map<uint32_t, Offered> offers_;
};

// What waits to be delivered to one driver window: commands and requests,
// each client's in arrival order, the clients taking turns so that one
// client's flood does not hold up the others. A driver that leaves its
// oldest message unanswered too long is marked hung: nothing more is sent
// to it but one probe now and then, and what waits is held (up to a bound,
// beyond which new work is refused) until it answers again.
struct Job {
    uint64_t client;
    int device;
    unsigned msg;        // message sent to the driver
    int32_t lParam;
    uint32_t id;         // message id of a command text, 0 for none
    const char* request; // name of a "!" request answered with its result, or null
    std::string text;    // the command text, offered when the job is sent
    uint32_t seq = 0;    // set when sent
    uint64_t sentAt = 0;
};
enum AddResult { ADD_QUEUED, ADD_HELD_FULL, ADD_SHARE_FULL };
class Delivery {
public:
    // Command texts go several at a time (the driver takes them in the order
    // sent, without waiting for the host between them); a "!" request goes
    // alone, so its answer line is out before the driver gets the next job
    // and clients see answers and the driver's own lines in order.
    static constexpr size_t kInFlight = 8;
    static constexpr size_t kHeld = 1000;       // bound while the driver is hung
    static constexpr size_t kPerClient = 10000; // one client's waiting jobs while it answers
    static constexpr size_t kQueued = 100000;   // all clients' while it answers...
    static constexpr size_t kFloor = 100;       // ...beyond which a client with fewer still gets in

    // Nothing is kept unless ADD_QUEUED.
    AddResult Add(const Job& job);
    // The next job to send at `now`, or false while none may go.
    bool Next(uint64_t now, uint64_t retryMs, Job* job);
    // The driver answered the job sent as `seq`; false when unknown.
    bool Answered(uint32_t seq, Job* job);
    // True once, when the oldest job in flight has waited past the limit.
    bool Overdue(uint64_t now, uint64_t limitMs);
    // Everything sent or waiting, for a driver whose window is gone.
    std::vector<Job> TakeAll();

    bool hung = false;
    bool recovered = false;    // set by Answered when a hung driver answers
    uint64_t delivered = 0;    // answered jobs
    uint64_t refused = 0;      // jobs turned away by Add
    uint64_t hangs = 0;        // times marked hung
    size_t Held() const { return waiting_.Size() + inFlight_.size(); }

private:
    Turns<Job> waiting_;
    std::deque<Job> inFlight_;
    uint32_t nextSeq_ = 1;
    uint64_t lastProbe_ = 0;
};

}  // namespace hxihost
