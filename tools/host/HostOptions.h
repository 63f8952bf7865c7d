#pragma once
// Command line of kromvale-host.

#include <optional>
#include <string>
#include <vector>

namespace kvtool {

enum class HostKind { AfterEffects, Premiere };
enum class RenderFormat { Bits8, Float32 };

struct HostOptions {
    std::string modulePath;
    HostKind host = HostKind::AfterEffects;
    RenderFormat format = RenderFormat::Bits8;  // Premiere only
    // After Effects only: render through smart render (SMART_PRE_RENDER, then
    // SMART_RENDER) at 8, 16 or 32 bits per channel. Unset: RENDER at 8 bits.
    std::optional<int> depth;
    std::string cubePath;                        // store this .cube file's LUT text
    std::optional<int> pattern;                  // or store "KVLUTP <n>"
    std::optional<double> amount;                // percent; 100 unless a project says otherwise
    std::string inPath;
    std::string outPath;
    bool batch = false;                // --in is a folder or a numbered sequence (see FrameSequence.h)
    unsigned jobs = 0;                 // batch threads; 0: one per processor
    std::optional<long> firstFrame;    // --frames FIRST-LAST
    std::optional<long> lastFrame;
    std::string saveProject;
    std::string loadProject;
    std::vector<int> presses;          // buttons pressed in order: 3 "Change LUT", 4 "Edit LUT"
    std::vector<std::string> answers;  // Linux: the file dialog's answers in order ("" cancels)
    bool print = false;  // print the stored value through the host's PRINT callback
    bool about = false;
};

// Parses argv into options; on failure returns false with a message.
bool ParseHostOptions(const std::vector<std::string>& args, HostOptions& options, std::string& error);

extern const char* const kHostUsage;

}  // namespace kvtool
