#pragma once
// Which frames a batch renders and where each one goes.
//
// The input is a folder (every .png, .pam and .exr file directly in it, in
// name order) or a numbered sequence: a file name with one frame-number
// field, printf style ("%d", "%04d" zero-padded, "%4d" padded with spaces as
// printf pads it), or a run of '#', one per digit ("shot.####.png" is
// "shot.%04d.png"). A sequence holds the files in the field's folder whose
// names print back exactly from their number, so with "%04d" shot.0007.png
// and shot.12345.png belong, shot.7.png does not. A name that exists as a
// file is that one picture, whatever '#' or '%' it holds.
//
// The output is a folder (each frame keeps its input's file name) or, for a
// sequence, a pattern that takes the frame's number.

#include <optional>
#include <string>
#include <vector>

namespace kvtool {

struct FramePattern {
    std::string prefix;  // everything before the field, folders included
    std::string suffix;  // everything after it, within the file name
    int width = 1;       // characters at least
    char pad = '0';      // what fills a short number's left: '0' or ' '

    std::string Format(long number) const;
};

// Looks for the field in the file name only ("#" and "%" in folder names are
// plain characters). False with `error` for two fields or a width above 9;
// otherwise `pattern` holds the field, or nothing for a plain path.
bool FindFramePattern(const std::string& path, std::optional<FramePattern>& pattern, std::string& error);

// A folder, or a name with a frame-number field that is not an existing file.
bool IsBatchInput(const std::string& path);

struct BatchFrame {
    std::string input;
    std::string output;
    std::optional<long> number;  // sequence frames only
    bool missing = false;        // in the asked range, but no such file
};

struct BatchRequest {
    std::string in;
    std::string out;
    std::optional<long> first;  // with `last`: the range of a sequence, gaps included
    std::optional<long> last;
};

// Lists the frames and their outputs. Refuses (false, with `error`) a request
// with nothing to render, an unusable output, or one whose output would land
// on any of its input files.
bool PlanBatch(const BatchRequest& request, std::vector<BatchFrame>& frames, std::string& error);

}  // namespace kvtool
