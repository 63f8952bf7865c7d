// kromvale-host: loads the effect module by path and plays a video host
// through its exports. See HostOptions.cpp for the command line.

#include <iostream>
#include <string>
#include <vector>

#include "host/HostOptions.h"
#include "host/HostSession.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    kvtool::HostOptions options;
    std::string error;
    if (!kvtool::ParseHostOptions(args, options, error)) {
        std::cerr << "kromvale-host: " << error << "\n" << kvtool::kHostUsage;
        return 2;
    }
    return kvtool::RunHostSession(options, std::cout, std::cerr);
}
