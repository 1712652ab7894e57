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

// Device number of a command text: the first field, read from character 3
// as the driver reads it.
int CommandDevice(const std::string& text);

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
    int mode;           // last asserted mode, 0 before any
};
class Registry {
public:
    bool driverMode = true;
    std::map<int, int> forced;   // device -> result given whatever else holds

    // The result of ZUV_REGDEV: 0 registered, 1 invalid number, 2 held by
    // another window, 3 not in driver mode.
    int Register(uint64_t wnd, int device);
    // Forgets every device of the window; returns how many there were.
    int Deregister(uint64_t wnd);
    void Asserted(int device, int mode);
    uint64_t WindowOf(int device) const;   // 0 when not registered
    const std::map<int, Registration>& All() const { return regs_; }

private:
    std::map<int, Registration> regs_;
};

}  // namespace hxihost
