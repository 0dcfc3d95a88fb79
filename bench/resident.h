#pragma once
// The resident memory of a process, as the kernel reports it.

#include <fstream>
#include <string>

#include <sys/types.h>
#include <unistd.h>

inline long RssKiB(pid_t pid = ::getpid())
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    }
    return 0;
}
