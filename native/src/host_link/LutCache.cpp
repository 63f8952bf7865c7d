#include "host_link/LutCache.h"

#include <array>
#include <cstring>
#include <deque>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include "host_link/LutParamBytes.h"
#include "lut_engine/LutText.h"
#include "lut_engine/simd/RowTables.h"

namespace kv {

namespace {

constexpr size_t kMaxEntries = 8;
constexpr char kNotLutText[] = "parameter does not hold KVLUT text";

// Immutable once made, so that a lookup may compare its bytes after letting
// go of the cache's mutex.
struct CacheEntry {
    uint64_t hash;
    // A copy of the parameter's bytes (a few MB at most). The hash is no
    // proof: two texts can be made to collide on purpose, so a hit needs
    // equal bytes as well.
    std::vector<unsigned char> bytes;
    std::shared_ptr<const Lut3D> lut;  // null for bytes that gave no LUT
};

// Oldest first. The mutex guards the list only: parsing and comparing bytes
// happen outside it, so neither stalls renders that hit the cache.
struct LutCache {
    std::mutex mutex;
    std::deque<std::shared_ptr<const CacheEntry>> entries;
};

LutCache& Cache() {
    static LutCache cache;
    return cache;
}

uint64_t LoadLittleEndian64(const unsigned char* p) {
    uint64_t word = 0;
    for (int i = 7; i >= 0; --i) {
        word = (word << 8) | p[i];
    }
    return word;
}

}  // namespace

uint64_t HashLutParamBytes(const void* bytes, size_t length) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    uint64_t h = static_cast<uint64_t>(length) ^ 0x9E3779B97F4A7C15ull;
    const size_t words = length / 8;
    for (size_t i = 0; i < words; ++i) {
        h ^= LoadLittleEndian64(p + i * 8);
        h *= 0xFF51AFD7ED558CCDull;
        h ^= h >> 32;
    }
    for (size_t i = words * 8; i < length; ++i) {
        h = (h ^ p[i]) * 0x100000001B3ull;
    }
    return h;
}

std::shared_ptr<const Lut3D> GetLutForParam(const void* bytes, size_t length,
                                                std::string* error) {
    if (bytes == nullptr || length < kMinLutTextBytes) {
        return nullptr;
    }
    const uint64_t hash = HashLutParamBytes(bytes, length);
    LutCache& cache = Cache();
    // Entries of the same hash and length, oldest first; almost always one
    // or none, so a hit costs one comparison of the bytes, cheaper than the
    // hash that found it.
    std::array<std::shared_ptr<const CacheEntry>, kMaxEntries> candidates;
    size_t candidateCount = 0;
    {
        std::lock_guard<std::mutex> lock(cache.mutex);
        for (const std::shared_ptr<const CacheEntry>& entry : cache.entries) {
            if (entry->hash == hash && entry->bytes.size() == length) {
                candidates[candidateCount++] = entry;
            }
        }
    }
    for (size_t i = 0; i < candidateCount; ++i) {
        if (std::memcmp(candidates[i]->bytes.data(), bytes, length) == 0) {
            return candidates[i]->lut;
        }
    }

    // Miss: extract and parse without the lock. Two threads missing on the
    // same bytes both parse and both append; lookups then find the older one.
    std::shared_ptr<const Lut3D> result;
    const std::string text = ExtractLutText(bytes, length);
    if (text.empty()) {
        if (error != nullptr) {
            *error = kNotLutText;
        }
    } else {
        auto lut = std::make_shared<Lut3D>();
        if (ParseLutText(std::string_view(text), *lut, error) && !lut->IsEmpty()) {
            PrepareRowTables(*lut);
            result = std::move(lut);
        }
    }

    const auto* first = static_cast<const unsigned char*>(bytes);
    auto entry = std::make_shared<const CacheEntry>(
        CacheEntry{hash, std::vector<unsigned char>(first, first + length), result});
    std::lock_guard<std::mutex> lock(cache.mutex);
    cache.entries.push_back(std::move(entry));
    if (cache.entries.size() > kMaxEntries) {
        cache.entries.pop_front();
    }
    return result;
}

size_t LutCacheEntryCount() {
    LutCache& cache = Cache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    return cache.entries.size();
}

}  // namespace kv
