// leitch_sim: a Leitch router on a serial line, for demos, end-to-end tests
// and trying the driver without a router. See UsageText() for the options.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "sim_control.h"
#include "sim_engine.h"
#include "sim_options.h"
#include "sim_serial.h"
#include "sim_setup.h"

namespace {

volatile std::sig_atomic_t gStop = 0;

void OnSignal(int) { gStop = 1; }

long NowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long)ts.tv_sec * 1000 + ts.tv_nsec / 1000000;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "leitch_sim: %s\n", message.c_str());
    return 1;
}

// Writes what the line takes now; the rest stays pending. Output beyond
// a megabyte that nobody reads is dropped, as a line without a listener would.
void WritePending(int fd, std::string* pending)
{
    if (pending->size() > (1u << 20))
        pending->erase(0, pending->size() - (1u << 20));
    while (!pending->empty()) {
        ssize_t n = write(fd, pending->data(), pending->size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        pending->erase(0, (size_t)n);
    }
}

// False when the line can no longer be read (a device that went away).
bool ReadLine(int fd, sim::Engine* engine)
{
    char buf[4096];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0)
        engine->Received(buf, (size_t)n, NowMs());
    return n > 0 || (n < 0 && (errno == EAGAIN || errno == EINTR));
}

int Run(sim::Engine* engine, const sim::SerialLine& line,
        sim::ControlServer* control)
{
    std::string pending;
    bool quit = false;
    auto handle = [&](const std::string& cmd) { return engine->Control(cmd, NowMs(), &quit); };
    while (!gStop && !quit) {
        long now = NowMs();
        engine->Tick(now);
        pending += engine->TakeDue(now);
        WritePending(line.fd, &pending);

        std::vector<pollfd> fds = {{line.fd, (short)(POLLIN | (pending.empty() ? 0 : POLLOUT)), 0}};
        control->Watch(&fds);
        long wait = engine->NextEvent(NowMs());
        if (wait < 0 || wait > 1000)
            wait = 1000;
        if (poll(fds.data(), fds.size(), (int)wait) < 0 && errno != EINTR)
            return Fail(std::string("poll: ") + std::strerror(errno));
        if ((fds[0].revents & (POLLIN | POLLERR | POLLHUP)) && !ReadLine(line.fd, engine))
            return Fail("serial line closed: " + line.path);
        control->Serve(fds, handle);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    sim::Options opt;
    std::string error;
    if (!sim::ParseOptions(argc, argv, &opt, &error)) {
        std::fprintf(stderr, "leitch_sim: %s\n%s", error.c_str(), sim::UsageText());
        return 2;
    }
    if (opt.help) {
        std::fputs(sim::UsageText(), stdout);
        return 0;
    }
    sim::Router router;
    if (!sim::BuildRouter(opt, &router, &error))
        return Fail(error);

    sim::SerialLine line;
    bool opened = opt.device.empty() ? sim::OpenPty(&line, &error)
                                     : sim::OpenDevice(opt.device, opt.baud, &line, &error);
    if (!opened)
        return Fail(error);
    sim::ControlServer control;
    if (!control.Open(opt.control, &error))
        return Fail(error);
    if (!opt.link.empty()) {
        unlink(opt.link.c_str());
        if (symlink(line.path.c_str(), opt.link.c_str()) != 0)
            return Fail("cannot link " + opt.link + ": " + std::strerror(errno));
    }

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);
    // The path first, alone on its line: scripts wait for it.
    std::printf("%s\n", line.path.c_str());
    std::fflush(stdout);

    sim::Engine engine(opt, router, NowMs());
    int rc = Run(&engine, line, &control);
    if (!opt.link.empty())
        unlink(opt.link.c_str());
    sim::CloseLine(&line);
    return rc;
}
