#pragma once
// Running kromvale-host as its own process from a test, as a user's shell
// would, and reading what it left behind.

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace kvtool::test {

struct HostRun {
    int status = -1;     // the exit status; -1 when it did not exit normally
    std::string output;  // stdout and stderr together
};

// `s` as one word for the shell.
inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline bool Contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

// Limits the child sets on itself before it starts the program (the
// shell's ulimit, which is setrlimit); 0 leaves a limit as it is.
struct ChildLimits {
    long addressSpaceKiB = 0;  // RLIMIT_AS: all the memory it may map
    long stackKiB = 0;         // RLIMIT_STACK, which is also each new thread's stack size
};

// A sanitizer build's host reserves terabytes of shadow memory at start, so
// it cannot run under an address-space limit at all.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kChildIgnoresAddressLimits = true;
#else
inline constexpr bool kChildIgnoresAddressLimits = false;
#endif

// Runs `argv` (the program first) with no input and waits for it. In a
// sanitizer build the address-space limit is left off (see above).
inline HostRun RunCommand(const std::vector<std::string>& argv, const ChildLimits& limits = {}) {
    std::string command;
    if (limits.addressSpaceKiB > 0 && !kChildIgnoresAddressLimits) command += "ulimit -v " + std::to_string(limits.addressSpaceKiB) + " && ";
    if (limits.stackKiB > 0) command += "ulimit -s " + std::to_string(limits.stackKiB) + " && ";
    command += "exec ";
    for (const std::string& a : argv) {
        command += Quote(a);
        command += ' ';
    }
    command += "2>&1 </dev/null";
    HostRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace kvtool::test
