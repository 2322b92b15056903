// Starting a program under measurement, shared by the benchmarks.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

// Starts argv[0] with `argv`, its output discarded; the child's pid (or -1).
inline pid_t startQuietly(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execv(args[0], args.data());
        _exit(127);
    }
    return pid;
}
