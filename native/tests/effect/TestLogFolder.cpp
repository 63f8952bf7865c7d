// The effect logs to the per-user data folder. On Linux that folder follows
// XDG_DATA_HOME, so each test process gets a scratch one instead of the
// developer's own; under Wine the scratch prefix already isolates it.

#ifndef _WIN32
#include <cstdlib>
#include <string>

namespace {
struct ScratchDataHome {
    ScratchDataHome() {
        std::string base = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
        std::string folder = base + "/kv-effect-tests-XXXXXX";
        if (mkdtemp(folder.data()) != nullptr) {
            setenv("XDG_DATA_HOME", folder.c_str(), 1);
        }
    }
};
const ScratchDataHome kScratchDataHome;
}  // namespace
#endif
