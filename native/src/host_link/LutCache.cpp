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
    // A copy of the parameter's bytes (a few MB at most). A hit needs equal
    // bytes: a hash of them could be made to collide on purpose, and
    // comparing costs less than hashing would.
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

}  // namespace

std::shared_ptr<const Lut3D> GetLutForParam(const void* bytes, size_t length,
                                                std::string* error) {
    if (bytes == nullptr || length < kMinLutTextBytes) {
        return nullptr;
    }
    LutCache& cache = Cache();
    // Entries of the same length, newest first: almost always one or none,
    // and texts that differ mostly differ early, so a hit costs about one
    // pass over the bytes.
    std::array<std::shared_ptr<const CacheEntry>, kMaxEntries> candidates;
    size_t candidateCount = 0;
    {
        std::lock_guard<std::mutex> lock(cache.mutex);
        for (auto entry = cache.entries.rbegin(); entry != cache.entries.rend(); ++entry) {
            if ((*entry)->bytes.size() == length) {
                candidates[candidateCount++] = *entry;
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
        CacheEntry{std::vector<unsigned char>(first, first + length), result});
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
