#include "sim_control.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace sim {

namespace {

void SendAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += (size_t)n;
    }
}

}  // namespace

ControlServer::~ControlServer()
{
    for (const Client& c : clients_)
        close(c.fd);
    if (listenFd_ >= 0) {
        close(listenFd_);
        unlink(path_.c_str());
    }
}

bool ControlServer::Open(const std::string& path, std::string* error)
{
    if (path.empty())
        return true;
    sockaddr_un addr;
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) {
        *error = "control socket path too long: " + path;
        return false;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size());
    unlink(path.c_str());
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || bind(fd, (sockaddr*)&addr, sizeof addr) != 0 || listen(fd, 8) != 0) {
        *error = "control socket " + path + ": " + std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return false;
    }
    listenFd_ = fd;
    path_ = path;
    return true;
}

void ControlServer::Watch(std::vector<pollfd>* fds) const
{
    if (listenFd_ >= 0)
        fds->push_back({listenFd_, POLLIN, 0});
    for (const Client& c : clients_)
        fds->push_back({c.fd, POLLIN, 0});
}

void ControlServer::Serve(const std::vector<pollfd>& fds,
                          const std::function<std::string(const std::string&)>& handle)
{
    std::vector<int> ready;
    for (const pollfd& p : fds)
        if (p.revents & (POLLIN | POLLHUP | POLLERR))
            ready.push_back(p.fd);
    for (int fd : ready) {
        if (fd == listenFd_) {
            int client = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0)
                clients_.push_back({client, ""});
            continue;
        }
        for (Client& c : clients_)
            if (c.fd == fd)
                Read(&c, handle);
    }
    for (size_t i = 0; i < clients_.size();)
        if (clients_[i].fd < 0)
            clients_.erase(clients_.begin() + (long)i);
        else
            ++i;
}

void ControlServer::Read(Client* c, const std::function<std::string(const std::string&)>& handle)
{
    char buf[4096];
    ssize_t n = read(c->fd, buf, sizeof buf);
    if (n <= 0) {
        close(c->fd);
        c->fd = -1;
        return;
    }
    c->input.append(buf, (size_t)n);
    size_t end;
    while ((end = c->input.find('\n')) != std::string::npos) {
        std::string line = c->input.substr(0, end);
        c->input.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        SendAll(c->fd, handle(line));
    }
    if (c->input.size() > 65536) {   // no line end in sight: not a control client
        close(c->fd);
        c->fd = -1;
    }
}

}  // namespace sim
