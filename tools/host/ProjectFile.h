#pragma once
// The headless host's project file: what a host keeps of one effect instance,
// the Amount and the LUT parameter's flattened bytes, exactly as the effect's
// FLATTEN callback produced them.
//
//   KROMVALE-HOST-PROJECT 1\n
//   amount <decimal>\n
//   lut <byte count>\n
//   <the flattened bytes>

#include <string>
#include <vector>

namespace kvtool {

struct HostProject {
    double amount = 100.0;
    std::vector<unsigned char> lutBytes;
};

bool WriteHostProject(const std::string& path, const HostProject& project, std::string& error);
bool ReadHostProject(const std::string& path, HostProject& project, std::string& error);

}  // namespace kvtool
