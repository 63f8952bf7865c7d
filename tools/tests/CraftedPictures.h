#pragma once
// Picture files whose headers promise far more than they hold, as an
// attacker or a damaged disk makes them: a few bytes that claim gigabytes.

#include <cstdint>
#include <string>

#ifdef KV_TEST_HAVE_OPENEXR
#include <ImfChannelList.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>
#endif

namespace kvtool::test {

inline void PutBigEndian32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(v >> shift & 0xFF));
}

inline std::uint32_t Crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline void PutChunk(std::string& out, const char* type, const std::string& data) {
    PutBigEndian32(out, static_cast<std::uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    PutBigEndian32(out, Crc32(body));
}

// A 69-byte RGBA PNG whose header claims width x height at `bitDepth` bits,
// plain or interlaced (Adam7), with valid chunks and one byte of image data.
inline std::string PromisingPng(std::uint32_t width, std::uint32_t height, int bitDepth, bool interlaced = false) {
    std::string png = "\x89PNG\r\n\x1a\n";
    std::string header;
    PutBigEndian32(header, width);
    PutBigEndian32(header, height);
    header += {static_cast<char>(bitDepth), 6, 0, 0, static_cast<char>(interlaced)};  // RGBA, deflate, no filter
    PutChunk(png, "IHDR", header);
    // A zlib stream with one stored byte (0) and its Adler-32.
    PutChunk(png, "IDAT", std::string("\x78\x01\x01\x01\x00\xFE\xFF\x00\x00\x01\x00\x01", 12));
    PutChunk(png, "IEND", "");
    return png;
}

inline std::string PromisingPam(long width, long height) {
    return "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
           "\nDEPTH 4\nMAXVAL 65535\nTUPLTYPE RGB_ALPHA\nENDHDR\n" + std::string(64, '\x7F');
}

#ifdef KV_TEST_HAVE_OPENEXR
// An EXR file with a header and a line-offset table for width x height
// float RGBA pixels, and not one pixel: a few kilobytes.
inline void WritePromisingExr(const std::string& path, int width, int height) {
    Imf::Header header(width, height);
    for (const char* name : {"R", "G", "B", "A"}) header.channels().insert(name, Imf::Channel(Imf::FLOAT));
    Imf::OutputFile file(path.c_str(), header);
}
#endif

}  // namespace kvtool::test
