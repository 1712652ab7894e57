// Runs the simulator as a child process and talks to it over its pty and
// its control socket, waiting for conditions with generous deadlines.
#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

class SimProcess {
public:
    // Starts leitch_sim with the arguments plus a control socket.
    explicit SimProcess(const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool Started() const { return lineFd_ >= 0 && controlFd_ >= 0; }
    void Send(const std::string& bytes);
    // Everything read from the line up to and including the first `want`
    // (or all that came before the deadline, when it never does).
    std::string ReadUntil(const std::string& want);
    // Reads until n bytes have come (or the deadline).
    std::string ReadBytes(size_t n);
    // One control command and its reply line, without the line feed.
    std::string Control(const std::string& command);
    // Waits until the simulator has taken n command lines from the line.
    bool WaitCommands(long n);
    // Every byte the simulator received on its line.
    std::string Rx();

private:
    bool Fill(int fd, std::string* into);

    pid_t pid_ = -1;
    int lineFd_ = -1;
    int controlFd_ = -1;
    std::string dir_;
    std::string lineBuf_;
    std::string controlBuf_;
};

// Runs leitch_sim to its end with the arguments; its exit code and output.
int RunSim(const std::vector<std::string>& args, std::string* output);
