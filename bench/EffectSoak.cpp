// Soak run of the CPU render: many 1080p frames through EffectMain on eight
// host threads, with a new LUT every 50 frames, so that the cache keeps
// evicting and the render line keeps changing. Prints the resident memory at
// the start and the end of the steady state, the cache size, live host
// handles and how much the log grew; a leak or an unbounded cache shows as
// growth between the two figures.
//
// Usage: kromvale_soak [FRAMES] [THREADS]     (defaults 2000 and 8)
// The log goes to a scratch per-user folder, never the user's own.

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "BenchInputs.h"
#include "FakeHost.h"
#include "effect/LutCache.h"
#include "lut_engine/LutText.h"

extern "C" PF_Err EffectMain(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*);

namespace {

constexpr int kFramesPerLut = 50;
constexpr int kWarmUpFrames = 200;

long ResidentKiB() {
    long pages = 0, resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

long FileBytes(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return 0;
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fclose(file);
    return size;
}

// The LUT of one 50-frame stretch: the same grade on a 33-node cube, its id
// the stretch number, so each stretch's text is new to the cache.
std::string LutTextOf(int stretch) {
    static const kv::Lut3D grade = kvbench::warmGradeLut(33);
    return kv::FormatLutText(grade, stretch, "soak " + std::to_string(stretch));
}

}  // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int threadCount = argc > 2 ? std::atoi(argv[2]) : 8;
    char scratch[] = "/tmp/kv-soak-XXXXXX";
    if (mkdtemp(scratch) == nullptr) return 1;
    setenv("XDG_DATA_HOME", scratch, 1);
    const std::string logPath = std::string(scratch) + "/Kromvale/effect.log";

    kvtest::FakeHost host(kvtest::kApplAfterEffects, EffectMain);
    kvtest::FakeWorld input(kvtest::PixelLayout::ARGB8, kvbench::kFrameWidth, kvbench::kFrameHeight);
    const std::vector<uint8_t> picture = kvbench::photoFrame8(0);
    std::memcpy(input.bytes().data(), picture.data(), input.bytes().size());

    std::atomic<int> next{0}, failures{0}, done{0};
    std::atomic<long> steadyResident{0}, steadyLog{0}, steadyHandles{0}, lastResident{0};
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&] {
            kvtest::FakeWorld out(kvtest::PixelLayout::ARGB8, kvbench::kFrameWidth, kvbench::kFrameHeight);
            int stretch = -1;
            PF_Handle lut = nullptr;
            for (int frame = next++; frame < frames; frame = next++) {
                if (frame / kFramesPerLut != stretch) {
                    stretch = frame / kFramesPerLut;
                    kvtest::DisposeHandle(lut);
                    lut = kvtest::MakeHandle16(LutTextOf(stretch));
                }
                kvtest::FakeParams params(&input, 90.0, lut);
                failures += host.Call(PF_Cmd_RENDER, params.list(), &out.def()) != PF_Err_NONE;
                const int finished = ++done;
                if (finished == kWarmUpFrames) {
                    steadyResident = ResidentKiB();
                    steadyLog = FileBytes(logPath);
                    steadyHandles = kvtest::LiveHandleCount();
                } else if (finished == frames - threadCount) {
                    lastResident = ResidentKiB();  // every thread still holds its frame
                }
            }
            kvtest::DisposeHandle(lut);
        });
    }
    for (std::thread& thread : threads) thread.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::printf("frames %d on %d threads in %.1f s (%.1f frames/s), %d failed\n", frames, threadCount, seconds,
                frames / seconds, failures.load());
    std::printf("resident KiB after %d frames %ld, %d frames before the end %ld (growth %ld), after the "
                "threads ended %ld\n",
                kWarmUpFrames, steadyResident.load(), threadCount, lastResident.load(),
                lastResident.load() - steadyResident.load(), ResidentKiB());
    std::printf("LUT cache entries %zu (at most 8); live host handles %ld after warm-up, %ld at the end\n",
                LutCacheEntryCount(), steadyHandles.load(), kvtest::LiveHandleCount());
    std::printf("log bytes after warm-up %ld, at the end %ld (%d LUTs used)\n", steadyLog.load(),
                FileBytes(logPath), (frames + kFramesPerLut - 1) / kFramesPerLut);
    return failures.load() == 0 && LutCacheEntryCount() <= 8 ? 0 : 1;
}
