// The control channel: a unix stream socket taking one command per line.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <poll.h>

namespace sim {

class ControlServer {
public:
    ~ControlServer();
    // False with a message in *error. An empty path opens nothing.
    bool Open(const std::string& path, std::string* error);
    // Adds the descriptors to watch; Serve must get the same vector back.
    void Watch(std::vector<pollfd>* fds) const;
    // Accepts clients and answers every complete command line through handle.
    void Serve(const std::vector<pollfd>& fds,
               const std::function<std::string(const std::string&)>& handle);

private:
    struct Client {
        int fd;
        std::string input;
    };
    void Read(Client* c, const std::function<std::string(const std::string&)>& handle);

    std::string path_;
    int listenFd_ = -1;
    std::vector<Client> clients_;
};

}  // namespace sim
