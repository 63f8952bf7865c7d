#pragma once
// The scanf-style header scan that every LUT text form's reader shares. It
// works on a copy of the text's first characters (never the megabytes of
// data after the header), which ends early at a NUL as a C string would.

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "lut_engine/NumberText.h"

namespace kv {

// A scanf-style pass over the header copy. Each conversion skips leading white
// space; once one fails, the scan is over and later calls fail too.
class HeaderScan {
public:
    HeaderScan(std::string_view text, size_t copyLength) {
        const size_t length = std::min(text.size(), copyLength);
        copy_ = text.substr(0, length);
        cut_ = length < text.size();
        if (const size_t nul = copy_.find('\0'); nul != std::string_view::npos) {
            copy_ = copy_.substr(0, nul);
            cut_ = false;  // a C string really ends at its NUL
        }
    }

    // An optional word after white space: consumed when it is there, whole.
    bool Word(std::string_view word) {
        if (!ok_) return false;
        size_t p = pos_;
        SkipCSpace(copy_, p);
        const std::string_view rest = copy_.substr(p);
        if (!rest.starts_with(word) || (rest.size() > word.size() && !IsCSpace(rest[word.size()]))) return false;
        pos_ = p + word.size();
        return true;
    }

    bool Literal(std::string_view word) {
        ok_ = ok_ && copy_.substr(pos_).starts_with(word);
        if (ok_) pos_ += word.size();
        return ok_;
    }

    bool Integer(int64_t& value) {
        size_t p = pos_;
        const bool scanned = ok_ && ScanInteger(copy_, p, value);
        return Finish(scanned, p);
    }

    bool Real(float& value) {
        size_t p = pos_;
        const bool scanned = ok_ && ScanFloat(copy_, p, value, FloatScan::Formatted);
        return Finish(scanned, p);
    }

    // %<width>s: up to `width` non-blank characters.
    bool token(size_t width, std::string_view& value) {
        size_t p = pos_;
        SkipCSpace(copy_, p);
        const size_t start = p;
        while (p < copy_.size() && p - start < width && !IsCSpace(copy_[p])) ++p;
        value = copy_.substr(start, p - start);
        const bool scanned = ok_ && p > start;
        return Finish(scanned, p);
    }

    // " %n": the offset after the white space that ends the header, or
    // nothing when the copy ends before any white space.
    bool DataOffset(size_t& offset) {
        if (!ok_ || SkipCSpace(copy_, pos_) == 0) return ok_ = false;
        offset = pos_;
        return true;
    }

private:
    bool Finish(bool scanned, size_t end) {
        // A conversion that runs into the end of a cut copy may have lost digits.
        ok_ = scanned && !(cut_ && end == copy_.size());
        if (ok_) pos_ = end;
        return ok_;
    }

    std::string_view copy_;
    size_t pos_ = 0;
    bool cut_ = false;
    bool ok_ = true;
};

}  // namespace kv
