#include "host/BatchRender.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <exception>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "effect/BandSplitter.h"
#include "host/BatchProgress.h"
#include "host/FrameSequence.h"
#include "host/ProcessorBudget.h"
#include "host/SmartRender.h"
#include "host/TemporaryFile.h"
#include "host/WorldImage.h"
#include "image/PictureFile.h"

namespace kvtool {
namespace fs = std::filesystem;
namespace {

// ---- Stop signals -----------------------------------------------------------

// The signal that asked the batch to stop, 0 while none has. A lock-free
// atomic is safe to set from a handler.
std::atomic<int> gStopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

// Set by a second stop signal: the run ends at once, frames in hand or not.
std::atomic<bool> gStopNow{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnStopSignal(int signal) {
    int none = 0;
    if (!gStopSignal.compare_exchange_strong(none, signal)) gStopNow.store(true);
#ifdef _WIN32
    std::signal(signal, OnStopSignal);  // Windows resets the handler on delivery
#endif
}

// Catches SIGINT and SIGTERM for the batch's lifetime. Workers finish or
// drop the frame in hand and take no new one.
class StopSignals {
public:
    StopSignals() {
        gStopSignal.store(0);
        gStopNow.store(false);
        int_ = std::signal(SIGINT, OnStopSignal);
        term_ = std::signal(SIGTERM, OnStopSignal);
    }
    ~StopSignals() {
        std::signal(SIGINT, int_ == SIG_ERR ? SIG_DFL : int_);
        std::signal(SIGTERM, term_ == SIG_ERR ? SIG_DFL : term_);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    void (*int_)(int) = SIG_DFL;
    void (*term_)(int) = SIG_DFL;
};

bool Stopping() { return gStopSignal.load() != 0; }

bool StderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}

// ---- Render paths -------------------------------------------------------------

// The pixel format a picture renders in. With --depth every frame takes
// After Effects' smart render at that depth. Otherwise 8-bit pictures take the
// chosen host's 8-bit path and 16-bit and float pictures keep their precision
// through the editing host's float path.
const kv::PixelFormat& FormatFor(const Picture& picture, const HostOptions& o) {
    if (o.depth) return SmartRenderFormat(*o.depth);
    if (picture.isFloat || picture.samples.bitDepth == 16) return kv::kBgra32f;
    if (o.host == HostKind::AfterEffects) return kv::kArgb8;
    return o.format == RenderFormat::Float32 ? kv::kBgra32f : kv::kBgra8u;
}

// Where a format stands in the table of all formats, for the summary's counts.
constexpr std::size_t kMaxFormats = 8;
std::size_t FormatIndex(const kv::PixelFormat& format) {
    const auto all = kv::AllPixelFormats();
    return std::min<std::size_t>(static_cast<std::size_t>(std::find(all.begin(), all.end(), &format) - all.begin()),
                                 kMaxFormats - 1);
}

// The editing host tells a render its frame's pixel format through the pixel
// format suite. Frames of different depths render at once here, so each
// worker's records carry a basic suite whose pixel format answer is the
// calling thread's frame; every other suite comes from the session's host.
thread_local PrPixelFormat tFrameFormat = PrPixelFormat_BGRA_4444_8u;
const SPBasicSuite* gSessionBasic = nullptr;  // set before the workers start

PF_Err FrameGetPixelFormat(PF_EffectWorld*, PrPixelFormat* format) {
    if (format != nullptr) *format = tFrameFormat;
    return PF_Err_NONE;
}

PF_PixelFormatSuite1 MakeFramePixelFormatSuite() {
    PF_PixelFormatSuite1 suite{};
    suite.GetPixelFormat = FrameGetPixelFormat;
    return suite;
}
const PF_PixelFormatSuite1 kFramePixelFormatSuite = MakeFramePixelFormatSuite();

bool IsPixelFormatSuite(const char* name, int32 version) {
    return name != nullptr && std::strcmp(name, kPFPixelFormatSuite) == 0 && version == kPFPixelFormatSuiteVersion1;
}

SPErr FrameAcquireSuite(const char* name, int32 version, const void** suite) {
    if (IsPixelFormatSuite(name, version)) {
        if (suite != nullptr) *suite = &kFramePixelFormatSuite;
        return kSPNoError;
    }
    return gSessionBasic->AcquireSuite(name, version, suite);
}

SPErr FrameReleaseSuite(const char* name, int32 version) {
    if (IsPixelFormatSuite(name, version)) return kSPNoError;
    return gSessionBasic->ReleaseSuite(name, version);
}

// ---- Workers ------------------------------------------------------------------

// The bands the module's splitter cuts a frame of `rows` rows into here.
unsigned RenderBands(int rows) {
    return static_cast<unsigned>(kv::PlanBands(rows, std::thread::hardware_concurrency()).bands);
}

struct Tally {
    std::atomic<std::size_t> rendered{0};
    std::atomic<std::size_t> skipped{0};
    std::atomic<std::size_t> failed{0};
    std::atomic<long long> pixels{0};
    std::atomic<std::size_t> byFormat[kMaxFormats] = {};  // by FormatIndex
};

class Worker {
public:
    Worker(const BatchEffect& effect, SPBasicSuite* basic, bool smart)
        : effect_(effect), basic_(basic), smart_(smart) {}

    // Renders one picture for an output file of type `target`; false with
    // `error` when the module refuses.
    bool Render(const Picture& picture, const kv::PixelFormat& format, PictureType target, Picture& result,
                std::string& error);

private:
    kvsim::FakeWorld& WorldFor(std::unique_ptr<kvsim::FakeWorld>& world, const kv::PixelFormat& format,
                                int width, int height);
    PF_Err RenderCommand(const kv::PixelFormat& format, kvsim::FakeWorld& input, kvsim::FakeWorld& output);

    const BatchEffect& effect_;
    SPBasicSuite* basic_;
    bool smart_;  // After Effects' smart render instead of RENDER
    std::unique_ptr<kvsim::FakeWorld> input_;
    std::unique_ptr<kvsim::FakeWorld> output_;
};

kvsim::FakeWorld& Worker::WorldFor(std::unique_ptr<kvsim::FakeWorld>& world, const kv::PixelFormat& format,
                                    int width, int height) {
    if (!world || &world->format() != &format || world->width() != width || world->height() != height) {
        world = std::make_unique<kvsim::FakeWorld>(format, width, height);
    }
    return *world;
}

// RENDER with this worker's own records, as a host's render thread has them.
PF_Err Worker::RenderCommand(const kv::PixelFormat& format, kvsim::FakeWorld& input, kvsim::FakeWorld& output) {
    const bool isFloat = format.depth == kv::ChannelDepth::k32f;
    PF_InData in = effect_.host.in();
    in.appl_id = &format == &kv::kArgb8 ? kvsim::kApplAfterEffects : kvsim::kApplPremiere;
    in.pica_basicP = basic_;
    in.width = input.width();
    in.height = input.height();
    PF_OutData out{};
    kvsim::FakeParams params(&input, effect_.amount, effect_.lut);
    tFrameFormat = isFloat ? PrPixelFormat_BGRA_4444_32f : PrPixelFormat_BGRA_4444_8u;
    return effect_.entry(PF_Cmd_RENDER, &in, &out, params.list(), &output.def(), nullptr);
}

bool Worker::Render(const Picture& picture, const kv::PixelFormat& format, PictureType target, Picture& result,
                    std::string& error) {
    kvsim::FakeWorld& input = WorldFor(input_, format, picture.width(), picture.height());
    kvsim::FakeWorld& output = WorldFor(output_, format, picture.width(), picture.height());
    PictureToWorld(picture, input);
    if (smart_) {
        // Each frame is a smart render of its own, whose call object is the
        // effect reference its callbacks receive: one worker's checkouts
        // never reach another's.
        if (!SmartRenderFrame(effect_.host, input, output, effect_.amount, effect_.lut, error)) return false;
    } else if (const PF_Err err = RenderCommand(format, input, output); err != PF_Err_NONE) {
        error = std::string("RENDER returned error ") + std::to_string(err);
        return false;
    }
    result = WorldToPicture(output, target);
    return true;
}

struct Batch {
    const BatchEffect& effect;
    const HostOptions& options;
    const std::vector<BatchFrame>& frames;
    BatchProgress& progress;
    SPBasicSuite* basic;
    ProcessorBudget& processors;
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> workersDone{0};
    Tally tally;

    void Report(const std::string& text) { progress.Message(std::string("kromvale-host: ") + text); }
    void RunWorker();
    void RenderOne(Worker& worker, const BatchFrame& frame);
};

// Runs one step of a frame, turning anything it throws into false with
// `error`: whatever goes wrong inside a frame, running out of memory
// included, is that frame's failure and never the batch's.
template <typename Step>
bool Guarded(std::string& error, Step&& step) {
    try {
        return step();
    } catch (const std::bad_alloc&) {
        error = "not enough memory for this frame";
    } catch (const std::exception& e) {
        error = e.what();
    }
    return false;
}

void Batch::RenderOne(Worker& worker, const BatchFrame& frame) {
    if (frame.missing) {
        Report(std::string("skipped frame ") + std::to_string(*frame.number) + " (" + frame.input + "): no such file");
        ++tally.skipped;
        return;
    }
    Picture picture;
    std::string error;
    bool read = false;
    {
        ProcessorShare share(processors, 1);
        read = Guarded(error, [&] { return ReadPicture(frame.input, picture, &error); });
    }
    if (!read) {
        Report(std::string("skipped ") + frame.input + ": " + error);
        ++tally.skipped;
        return;
    }
    const kv::PixelFormat& format = FormatFor(picture, options);
    const PictureType target = PictureTypeOf(frame.output);
    Picture result;
    bool rendered = false;
    {
        // The module renders the frame in as many bands as its splitter
        // plans for this height on this machine.
        ProcessorShare share(processors, RenderBands(picture.height()));
        rendered = Guarded(error, [&] { return worker.Render(picture, format, target, result, error); });
    }
    if (!rendered) {
        Report(frame.input + ": " + error);
        ++tally.failed;
        return;
    }
    ProcessorShare share(processors, 1);
    TemporaryFile temporary(frame.output);
    if (!temporary.Create(error) ||
        !Guarded(error, [&] { return WritePicture(temporary.stream(), target, result, &error); })) {
        Report(std::string("cannot write ") + frame.output + ": " + error);
        ++tally.failed;
        return;
    }
    // Whole, but the user asked to stop: nothing new appears under a final
    // name. A stop that comes during the commit holds it (AwaitWorkers); a
    // frame in progress at the stop is not kept, whatever happened to it.
    if (Stopping()) return;
    if (!temporary.Commit(error)) {
        if (Stopping()) return;
        Report(std::string("cannot write ") + frame.output + ": " + error);
        ++tally.failed;
        return;
    }
    ++tally.rendered;
    ++tally.byFormat[FormatIndex(format)];
    tally.pixels += static_cast<long long>(picture.width()) * picture.height();
}

void Batch::RunWorker() {
    Worker worker(effect, basic, options.depth.has_value());
    while (!Stopping()) {
        const std::size_t i = next++;
        if (i >= frames.size()) break;
        RenderOne(worker, frames[i]);
        progress.FrameDone();
    }
    ++workersDone;
}

unsigned Processors() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 4 : n;  // unknown: the band splitter's own guess
}

// Starts the workers; a thread that cannot be started is reported, and the
// batch goes on with those that did start.
std::vector<std::thread> StartWorkers(Batch& batch, std::size_t count) {
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < count; ++i) {
        try {
            threads.emplace_back([&batch] { batch.RunWorker(); });
        } catch (const std::exception& e) {
            batch.Report(std::string("cannot start a render thread (") + std::to_string(threads.size()) + " of " +
                         std::to_string(count) + " started): " + e.what());
            break;
        }
    }
    return threads;
}

// Waits for the workers while watching for the stop signals. The first is
// answered with a line once commits are held, so that no frame appears under
// its final name after that line (and a second signal, sent after it, can
// no longer merge with the first while that is pending). A second signal
// ends the process at once: its temporary files are removed first, so that
// nothing but whole frames is left.
void AwaitWorkers(Batch& batch, std::vector<std::thread>& threads, std::ostream& err) {
    bool announced = false;
    while (batch.workersDone.load() < threads.size()) {
        if (!announced && Stopping() && !gStopNow.load()) {
            HoldCommits(true);
            batch.Report("stopping on signal " + std::to_string(gStopSignal.load()) +
                         ": frames in progress will not be kept; a second signal stops at once");
            announced = true;
        }
        if (gStopNow.load()) {
            RemoveAllTemporaryFiles();
            batch.progress.Finish();
            err << "kromvale-host: stopped at once by a second signal; frames in progress were not kept\n"
                << std::flush;
            std::_Exit(128 + gStopSignal.load());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (std::thread& thread : threads) thread.join();
}

std::string JobsText(std::size_t workers) {
    return std::to_string(workers) + (workers == 1 ? " thread" : " threads");
}

}  // namespace

int RenderBatch(const BatchEffect& effect, const HostOptions& options, std::ostream& out, std::ostream& err) {
    std::vector<BatchFrame> frames;
    std::string error;
    BatchRequest request{options.inPath, options.outPath, options.firstFrame, options.lastFrame};
    if (!PlanBatch(request, frames, error)) {
        err << "kromvale-host: " << error << "\n";
        return 1;
    }
    std::set<fs::path> folders;
    for (const BatchFrame& frame : frames) folders.insert(fs::path(frame.output).parent_path());
    for (const fs::path& folder : folders) {
        std::error_code ec;
        if (!folder.empty()) fs::create_directories(folder, ec);
        if (ec) {
            err << "kromvale-host: cannot make the output folder " << folder.string() << ": " << ec.message() << "\n";
            return 1;
        }
    }

    gSessionBasic = effect.host.in().pica_basicP;
    SPBasicSuite basic = *gSessionBasic;
    basic.AcquireSuite = FrameAcquireSuite;
    basic.ReleaseSuite = FrameReleaseSuite;

    unsigned jobs = options.jobs > 0 ? options.jobs : std::thread::hardware_concurrency();
    const std::size_t workers = std::max<std::size_t>(1, std::min<std::size_t>(jobs, frames.size()));
    out << "batch: " << frames.size() << " frames, " << options.inPath << " -> " << options.outPath << ", "
        << JobsText(workers) << "\n"
        << std::flush;

    BatchProgress progress(err, frames.size(), StderrIsTerminal());
    ProcessorBudget processors(Processors());
    Batch batch{effect, options, frames, progress, &basic, processors, {}, {}, {}};
    {
        // The calling thread only watches, so that a second signal is
        // answered however long a worker waits on its frame.
        StopSignals signals;
        HoldCommits(false);
        std::vector<std::thread> threads = StartWorkers(batch, workers);
        if (threads.empty()) {
            progress.Finish();
            err << "kromvale-host: no render thread could be started\n";
            return 1;
        }
        AwaitWorkers(batch, threads, err);
    }
    progress.Finish();
    const double seconds = progress.Seconds();
    const Tally& t = batch.tally;

    std::string paths;
    const auto formats = kv::AllPixelFormats();
    for (std::size_t f = 0; f < formats.size() && f < kMaxFormats; ++f) {
        if (t.byFormat[f] > 0) paths += std::string(" ") + formats[f]->name + " " + std::to_string(t.byFormat[f].load());
    }
    if (!paths.empty()) out << "paths:" << paths << "\n";
    out << SummaryText(t.rendered, t.skipped, t.failed, seconds, static_cast<double>(t.pixels.load())) << "\n";

    if (const int signal = gStopSignal.load(); signal != 0) {
        err << "kromvale-host: stopped by signal " << signal << " after " << t.rendered << " of " << frames.size()
            << " frames; frames in progress were not kept\n";
        return 128 + signal;
    }
    if (t.failed > 0) return 1;
    if (t.skipped > 0) return kBatchSkippedStatus;
    return 0;
}

}  // namespace kvtool
