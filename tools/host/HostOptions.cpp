#include "host/HostOptions.h"

#include "host/ButtonPress.h"
#include "host/FileIdentity.h"
#include "host/FrameSequence.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <system_error>

namespace kvtool {

const char* const kHostUsage =
    "usage: kromvale-host --module PATH [--host ae|pr] [--format 8|32f] [--depth 8|16|32]\n"
    "                     [--cube LUTFILE | --pattern N | --load-project FILE]\n"
    "                     [--amount PERCENT] [--in PICTURE --out PICTURE]\n"
    "                     [--in FOLDER|SEQUENCE --out FOLDER|SEQUENCE [--frames FIRST-LAST] [--jobs N]]\n"
    "                     [--save-project FILE] [--print] [--about]\n"
    "                     [--press change|edit]... [--answer PATH]...\n"
    "--cube takes every LUT file \"Change LUT\" takes, by its extension: .cube,\n"
    ".3dl, .clf (CLF), .cc, .ccc and .cdl (ASC CDL), .spi1d and .spi3d.\n"
    "--out never replaces an input, whatever name (a link, another spelling of\n"
    "its path) it is given.\n"
    "--press sends USER_CHANGED_PARAM for a button (repeatable, in order); on\n"
    "Linux --answer gives the file dialog's answers in order (\"\" cancels).\n"
    "Pictures are .png (where built with libpng), .pam, or .exr (where built with\n"
    "OpenEXR).\n"
    "\n"
    "After Effects renders through RENDER at 8 bits unless --depth is given;\n"
    "--depth renders through smart render (SMART_PRE_RENDER, then SMART_RENDER)\n"
    "in ARGB8, ARGB16 or ARGB32f worlds. 16-bit samples v (0..65535) become the\n"
    "16-bit world's codes (0..32768) as round(v * 32768 / 65535) and come back as\n"
    "round(code * 65535 / 32768), so every code survives the trip. An 8-bit\n"
    "picture at --depth 16 or 32 is widened first (each sample times 257); a\n"
    "16-bit one at --depth 8 is rounded to 8 bits. EXR pictures keep values\n"
    "outside 0..1 at --depth 32 and are clamped to 0..1 at 8 and 16. PNG and\n"
    "PAM results have 8 bits at --depth 8 and 16 bits at 16 and 32 (floats\n"
    "clamped to 0..1); EXR results hold the world's values as floats. Premiere\n"
    "Pro takes --format, not --depth.\n"
    "\n"
    "Batch: --in names a folder (its .png, .pam and .exr pictures in name order)\n"
    "or a numbered sequence, shot.%04d.png or shot.####.png (%4d pads with\n"
    "spaces, as printf does; a name that exists as a file is that one picture,\n"
    "whatever '#' or '%' it holds); --out names a folder\n"
    "(frames keep their names) or, for a sequence, a pattern that takes the\n"
    "frame's number and decides the file type. --frames renders that range and\n"
    "reports its missing frames. Frames render in parallel, --jobs at a time (one\n"
    "per processor by default). With --depth every frame takes After Effects'\n"
    "smart render at that depth. Otherwise each frame takes the path its picture\n"
    "needs: 8-bit pictures the After Effects 8-bit path (ARGB8), or with --host\n"
    "pr Premiere's 8-bit path (BGRA8u, or BGRA32f with --format 32f); 16-bit\n"
    "pictures and EXR Premiere's 32-bit float path. Float results are written as\n"
    "16-bit PNG/PAM or as float EXR. A frame is written under a temporary name\n"
    "and renamed when whole.\n"
    "Exit status: 0 done; 1 failed; 2 bad command line; 3 frames that could not\n"
    "be read were skipped; 128+N stopped by signal N (frames in progress are\n"
    "removed; a second signal stops at once).\n";

namespace {

bool ParseNumber(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

template <typename Integer>
bool ParseInt(const std::string& text, Integer& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

// "FIRST-LAST", both frame numbers of zero or more.
bool ParseFrameRange(const std::string& text, long& first, long& last) {
    const std::size_t dash = text.find('-');
    return dash != std::string::npos && ParseInt(text.substr(0, dash), first) &&
           ParseInt(text.substr(dash + 1), last) && first >= 0 && first <= last;
}

}  // namespace

bool ParseHostOptions(const std::vector<std::string>& args, HostOptions& options, std::string& error) {
    options = HostOptions{};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--print") { options.print = true; continue; }
        if (arg == "--about") { options.about = true; continue; }
        if (i + 1 >= args.size()) {
            error = "missing value after " + arg;
            return false;
        }
        const std::string& value = args[++i];
        if (arg == "--module") {
            options.modulePath = value;
        } else if (arg == "--host") {
            if (value == "ae") options.host = HostKind::AfterEffects;
            else if (value == "pr") options.host = HostKind::Premiere;
            else { error = "--host must be ae or pr"; return false; }
        } else if (arg == "--format") {
            if (value == "8") options.format = RenderFormat::Bits8;
            else if (value == "32f") options.format = RenderFormat::Float32;
            else { error = "--format must be 8 or 32f"; return false; }
        } else if (arg == "--depth") {
            int bits = 0;
            if (!ParseInt(value, bits) || (bits != 8 && bits != 16 && bits != 32)) {
                error = "--depth must be 8, 16 or 32";
                return false;
            }
            options.depth = bits;
        } else if (arg == "--cube") {
            options.cubePath = value;
        } else if (arg == "--pattern") {
            // The effect itself judges the size; any integer is passed on.
            int n = 0;
            if (!ParseInt(value, n)) { error = "--pattern needs an integer"; return false; }
            options.pattern = n;
        } else if (arg == "--amount") {
            double amount = 0;
            if (!ParseNumber(value, amount)) { error = "--amount needs a number"; return false; }
            options.amount = amount;
        } else if (arg == "--in") {
            options.inPath = value;
        } else if (arg == "--out") {
            options.outPath = value;
        } else if (arg == "--jobs") {
            if (!ParseInt(value, options.jobs) || options.jobs < 1) {
                error = "--jobs needs a count of 1 or more";
                return false;
            }
        } else if (arg == "--frames") {
            long first = 0, last = 0;
            if (!ParseFrameRange(value, first, last)) { error = "--frames needs FIRST-LAST, e.g. 1-100"; return false; }
            options.firstFrame = first;
            options.lastFrame = last;
        } else if (arg == "--press") {
            const int index = ButtonIndexFromName(value);
            if (index < 0) { error = "--press must be change or edit"; return false; }
            options.presses.push_back(index);
        } else if (arg == "--answer") {
            options.answers.push_back(value);
        } else if (arg == "--save-project") {
            options.saveProject = value;
        } else if (arg == "--load-project") {
            options.loadProject = value;
        } else {
            error = "unknown option " + arg;
            return false;
        }
    }
    if (options.modulePath.empty()) { error = "--module is required"; return false; }
    const int sources = !options.cubePath.empty() + options.pattern.has_value() + !options.loadProject.empty();
    if (sources > 1) { error = "give at most one of --cube, --pattern and --load-project"; return false; }
    if (options.inPath.empty() != options.outPath.empty()) { error = "--in and --out go together"; return false; }
    options.batch = !options.inPath.empty() && IsBatchInput(options.inPath);
    if (!options.batch && (options.jobs > 0 || options.firstFrame)) {
        error = "--jobs and --frames need a folder or a numbered sequence as --in";
        return false;
    }
    // The picture is read whole before the result is written, so writing
    // over it would lose it; batches refuse the same when they plan.
    std::error_code ec;
    if (!options.batch && !options.inPath.empty() && std::filesystem::exists(options.inPath, ec) &&
        FileIdentity(options.inPath) == FileIdentity(options.outPath)) {
        error = "refusing to overwrite the input " + options.inPath + ": choose another --out";
        return false;
    }
    if (options.host == HostKind::Premiere && options.depth) {
        error = "--depth is After Effects' smart render (--host ae); Premiere Pro's float path is --format 32f";
        return false;
    }
    if (options.host == HostKind::AfterEffects && options.format == RenderFormat::Float32) {
        error = "--format 32f needs --host pr (After Effects' deep paths are --depth 16 and --depth 32)";
        return false;
    }
    return true;
}

}  // namespace kvtool
