#include "sim_serial.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace sim {

namespace {

bool Fail(const std::string& what, std::string* error)
{
    *error = what + ": " + std::strerror(errno);
    return false;
}

speed_t BaudCode(long baud)
{
    const struct {
        long baud;
        speed_t code;
    } table[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},   {9600, B9600},
                 {19200, B19200},   {38400, B38400},   {57600, B57600}, {115200, B115200},
                 {230400, B230400}, {460800, B460800}};
    for (const auto& t : table)
        if (t.baud == baud)
            return t.code;
    return B0;
}

}  // namespace

bool OpenPty(SerialLine* line, std::string* error)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0)
        return Fail("posix_openpt", error);
    const char* name = nullptr;
    if (grantpt(master) != 0 || unlockpt(master) != 0 || !(name = ptsname(master))) {
        close(master);
        return Fail("pseudo-terminal set-up", error);
    }
    line->path = name;
    // Holding the far end open keeps the master readable when a client
    // closes it, and sets it raw for clients that do not.
    int slave = open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) {
        close(master);
        return Fail(line->path, error);
    }
    termios t;
    if (tcgetattr(slave, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    line->fd = master;
    line->keepFd = slave;
    return true;
}

bool OpenDevice(const std::string& path, long baud, SerialLine* line,
                std::string* error)
{
    speed_t code = BaudCode(baud);
    if (code == B0) {
        *error = "unsupported speed " + std::to_string(baud);
        return false;
    }
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return Fail(path, error);
    termios t;
    if (tcgetattr(fd, &t) != 0) {
        close(fd);
        return Fail(path, error);
    }
    cfmakeraw(&t);
    cfsetispeed(&t, code);
    cfsetospeed(&t, code);
    t.c_cflag &= ~(tcflag_t)(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD | CS8;
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        close(fd);
        return Fail(path, error);
    }
    line->fd = fd;
    line->path = path;
    return true;
}

void CloseLine(SerialLine* line)
{
    if (line->fd >= 0)
        close(line->fd);
    if (line->keepFd >= 0)
        close(line->keepFd);
    line->fd = line->keepFd = -1;
}

}  // namespace sim
