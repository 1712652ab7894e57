#include "sim_harness.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

const long kDeadlineMs = 15000;

long NowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

// Starts the simulator with stdout (and stderr when wanted) on a pipe.
pid_t Spawn(const std::vector<std::string>& args, bool withStderr, int* out)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        if (withStderr)
            dup2(fds[1], 2);
        close(fds[0]);
        close(fds[1]);
        std::vector<char*> argv;
        argv.push_back((char*)LEITCH_SIM_EXE);
        for (const std::string& a : args)
            argv.push_back((char*)a.c_str());
        argv.push_back(nullptr);
        execv(LEITCH_SIM_EXE, argv.data());
        _exit(127);
    }
    close(fds[1]);
    *out = fds[0];
    return pid;
}

std::string ReadFirstLine(int fd)
{
    std::string line;
    long deadline = NowMs() + kDeadlineMs;
    char c;
    while (NowMs() < deadline) {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        if (read(fd, &c, 1) != 1 || c == '\n')
            break;
        line += c;
    }
    return line;
}

}  // namespace

SimProcess::SimProcess(const std::vector<std::string>& args)
{
    char dir[] = "/tmp/leitch_sim_test_XXXXXX";
    if (!mkdtemp(dir))
        return;
    dir_ = dir;
    std::string socket = dir_ + "/control";
    std::vector<std::string> all = args;
    all.push_back("--control");
    all.push_back(socket);
    int out = -1;
    pid_ = Spawn(all, false, &out);
    if (pid_ < 0)
        return;
    std::string path = ReadFirstLine(out);
    close(out);
    if (path.empty())
        return;
    lineFd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t;
    if (lineFd_ >= 0 && tcgetattr(lineFd_, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(lineFd_, TCSANOW, &t);
    }
    sockaddr_un addr;
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socket.c_str(), sizeof addr.sun_path - 1);
    controlFd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (connect(controlFd_, (sockaddr*)&addr, sizeof addr) != 0) {
        close(controlFd_);
        controlFd_ = -1;
    }
}

SimProcess::~SimProcess()
{
    if (controlFd_ >= 0)
        close(controlFd_);
    if (lineFd_ >= 0)
        close(lineFd_);
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status;
        waitpid(pid_, &status, 0);
    }
    if (!dir_.empty())
        rmdir(dir_.c_str());
}

void SimProcess::Send(const std::string& bytes)
{
    size_t done = 0;
    long deadline = NowMs() + kDeadlineMs;
    while (done < bytes.size() && NowMs() < deadline) {
        ssize_t n = write(lineFd_, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += (size_t)n;
        else
            usleep(1000);
    }
}

// Waits up to 100 ms for bytes on fd and appends them; false on end of file.
bool SimProcess::Fill(int fd, std::string* into)
{
    pollfd p = {fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0)
        return true;
    char buf[4096];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0)
        into->append(buf, (size_t)n);
    return n != 0;
}

std::string SimProcess::ReadUntil(const std::string& want)
{
    long deadline = NowMs() + kDeadlineMs;
    size_t at;
    while ((at = lineBuf_.find(want)) == std::string::npos && NowMs() < deadline)
        Fill(lineFd_, &lineBuf_);
    size_t end = at == std::string::npos ? lineBuf_.size() : at + want.size();
    std::string got = lineBuf_.substr(0, end);
    lineBuf_.erase(0, end);
    return got;
}

std::string SimProcess::ReadBytes(size_t n)
{
    long deadline = NowMs() + kDeadlineMs;
    while (lineBuf_.size() < n && NowMs() < deadline)
        Fill(lineFd_, &lineBuf_);
    std::string got = lineBuf_.substr(0, n);
    lineBuf_.erase(0, got.size());
    return got;
}

std::string SimProcess::Control(const std::string& command)
{
    std::string line = command + "\n";
    if (controlFd_ < 0 || send(controlFd_, line.data(), line.size(), MSG_NOSIGNAL) < 0)
        return "(no control)";
    long deadline = NowMs() + kDeadlineMs;
    size_t end;
    while ((end = controlBuf_.find('\n')) == std::string::npos && NowMs() < deadline)
        if (!Fill(controlFd_, &controlBuf_))
            break;
    if (end == std::string::npos)
        return "(no reply)";
    std::string reply = controlBuf_.substr(0, end);
    controlBuf_.erase(0, end + 1);
    return reply;
}

bool SimProcess::WaitCommands(long n)
{
    long deadline = NowMs() + kDeadlineMs;
    std::string want = "ok " + std::to_string(n);
    while (NowMs() < deadline)
        if (Control("commands") == want)
            return true;
    return false;
}

std::string SimProcess::Rx()
{
    std::string reply = Control("rx");
    if (reply.compare(0, 3, "ok ") != 0)
        return reply;
    size_t n = std::strtoul(reply.c_str() + 3, nullptr, 10);
    long deadline = NowMs() + kDeadlineMs;
    while (controlBuf_.size() < n && NowMs() < deadline)
        if (!Fill(controlFd_, &controlBuf_))
            break;
    std::string bytes = controlBuf_.substr(0, n);
    controlBuf_.erase(0, bytes.size());
    return bytes;
}

int RunSim(const std::vector<std::string>& args, std::string* output)
{
    int out = -1;
    pid_t pid = Spawn(args, true, &out);
    if (pid < 0)
        return -1;
    output->clear();
    long deadline = NowMs() + kDeadlineMs;
    char buf[4096];
    ssize_t n;
    while (NowMs() < deadline) {
        pollfd p = {out, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        if ((n = read(out, buf, sizeof buf)) <= 0)
            break;
        output->append(buf, (size_t)n);
    }
    close(out);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (NowMs() > deadline) {
            kill(pid, SIGKILL);   // still running: a failure the test will see
            waitpid(pid, &status, 0);
            return -1;
        }
        usleep(10000);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
