#include "host_sim/FakeHost.h"

#include <cstdio>

#include "panel_link/UserDataPath.h"
#include "platform/FileSystem.h"
#include "platform/TextConversion.h"

namespace kvsim {

namespace {

std::string ReadLogFile() {
    std::string content;
    std::FILE* file = kv::platform::OpenSharedFile(kv::GetUserDataPath(L"effect.log"), "rb");
    if (file == nullptr) {
        return content;
    }
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        content.append(buffer, n);
    }
    std::fclose(file);
    return content;
}

}  // namespace

std::string LogTail::Path() { return kv::platform::Utf8FromWide(kv::GetUserDataPath(L"effect.log")); }

LogTail::LogTail() : offset_(static_cast<long long>(ReadLogFile().size())) {}

std::vector<std::string> LogTail::Take() {
    const std::string content = ReadLogFile();
    std::vector<std::string> lines;
    size_t pos = static_cast<size_t>(offset_) <= content.size() ? static_cast<size_t>(offset_) : 0;
    while (pos < content.size()) {
        size_t end = content.find('\n', pos);
        if (end == std::string::npos) {
            end = content.size();
        }
        std::string line = content.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        // "YYYY-MM-DD HH:MM:SS" and two blanks come before the message.
        lines.push_back(line.size() >= 21 ? line.substr(21) : line);
        pos = end + 1;
    }
    offset_ = static_cast<long long>(content.size());
    return lines;
}

}  // namespace kvsim
