#pragma once
// A file descriptor that closes itself, for the sockets and process handles a single call owns.

#include <unistd.h>

namespace wplatform {

class UniqueFd {
public:
    explicit UniqueFd(int fd)
        : fd_(fd)
    {
    }
    ~UniqueFd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }

private:
    int fd_;
};

} // namespace wplatform
