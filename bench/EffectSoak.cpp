// Soak run of the CPU render: many 1080p frames through EffectMain on eight
// host threads, with a new LUT every 50 frames, so that the cache keeps
// evicting and the render line keeps changing. Prints the resident memory
// every 500 frames (a leak shows as a rising curve after warm-up), the
// largest number of LUTs the cache held at any frame's end, live host handles,
// and the log lines written after warm-up against the LUT changes made.
//
// Usage: kromvale_soak [FRAMES] [THREADS]     (defaults 2000 and 8)
// The log goes to a scratch per-user folder, never the user's own.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "BenchInputs.h"
#include "host_sim/FakeHost.h"
#include "host_link/LutCache.h"
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

long FileLines(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return 0;
    long lines = 0;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) lines += c == '\n';
    std::fclose(file);
    return lines;
}

struct Sample {
    int frames;
    long residentKiB;
    size_t cacheEntries;
};

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

    kvsim::FakeHost host(kvsim::kApplAfterEffects, EffectMain);
    kvsim::FakeWorld input(kv::kArgb8, kvbench::kFrameWidth, kvbench::kFrameHeight);
    const std::vector<uint8_t> picture = kvbench::photoFrame8(0);
    std::memcpy(input.bytes().data(), picture.data(), input.bytes().size());

    std::atomic<int> next{0}, failures{0}, done{0};
    std::atomic<long> steadyLogLines{0}, steadyHandles{0};
    std::atomic<size_t> mostCached{0};
    std::mutex samplesMutex;
    std::vector<Sample> samples;
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&] {
            kvsim::FakeWorld out(kv::kArgb8, kvbench::kFrameWidth, kvbench::kFrameHeight);
            int stretch = -1;
            PF_Handle lut = nullptr;
            for (int frame = next++; frame < frames; frame = next++) {
                if (frame / kFramesPerLut != stretch) {
                    stretch = frame / kFramesPerLut;
                    kvsim::DisposeHandle(lut);
                    lut = kvsim::MakeHandle16(LutTextOf(stretch));
                }
                kvsim::FakeParams params(&input, 90.0, lut);
                failures += host.Call(PF_Cmd_RENDER, params.list(), &out.def()) != PF_Err_NONE;
                const size_t cached = kv::LutCacheEntryCount();
                for (size_t most = mostCached.load(); cached > most && !mostCached.compare_exchange_weak(most, cached);) {
                }
                const int finished = ++done;
                if (finished == kWarmUpFrames) {
                    steadyLogLines = FileLines(logPath);
                    steadyHandles = kvsim::LiveHandleCount();
                }
                // Up to the last frames, while every thread still holds its frame.
                if (finished <= frames - threadCount &&
                    (finished % 500 == 0 || finished == kWarmUpFrames || finished == frames - threadCount)) {
                    std::lock_guard<std::mutex> lock(samplesMutex);
                    samples.push_back(Sample{finished, ResidentKiB(), cached});
                }
            }
            kvsim::DisposeHandle(lut);
        });
    }
    for (std::thread& thread : threads) thread.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::printf("frames %d on %d threads in %.1f s (%.1f frames/s), %d failed\n", frames, threadCount, seconds,
                frames / seconds, failures.load());
    std::printf("resident KiB by frames done (warm-up %d frames):", kWarmUpFrames);
    std::sort(samples.begin(), samples.end(), [](const Sample& x, const Sample& y) { return x.frames < y.frames; });
    long steady = 0;
    for (const Sample& sample : samples) {
        std::printf("%s %d: %ld", &sample == &samples.front() ? "" : ",", sample.frames, sample.residentKiB);
        if (sample.frames == kWarmUpFrames) steady = sample.residentKiB;
    }
    const long last = samples.empty() ? 0 : samples.back().residentKiB;
    std::printf("\nresident KiB from warm-up to the end %ld -> %ld (growth %ld); after the threads ended %ld\n",
                steady, last, last - steady, ResidentKiB());
    std::printf("LUT cache entries: at most %zu at any frame's end, %zu at the end (limit 8); live host handles "
                "%ld after warm-up, %ld at the end\n",
                mostCached.load(), kv::LutCacheEntryCount(), steadyHandles.load(), kvsim::LiveHandleCount());
    const long changesAfterWarmUp = (frames - 1) / kFramesPerLut - (kWarmUpFrames - 1) / kFramesPerLut;
    std::printf("log lines after warm-up %ld, at the end %ld: %ld new lines for about %ld LUT changes\n",
                steadyLogLines.load(), FileLines(logPath), FileLines(logPath) - steadyLogLines.load(),
                changesAfterWarmUp);
    return failures.load() == 0 && mostCached.load() <= 8 ? 0 : 1;
}
