#include "host_sim/FakeHost.h"

#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

namespace kvsim {

// ---- Worlds -----------------------------------------------------------------

namespace {

// Every live world by its record, for the suites that get only the record.
struct WorldRegistry {
    std::mutex mutex;
    std::map<const PF_LayerDef*, const FakeWorld*> worlds;
};

WorldRegistry& Worlds() {
    static WorldRegistry registry;
    return registry;
}

}  // namespace

void FakeWorld::RegisterWorld(const PF_LayerDef* def, const FakeWorld* world) {
    WorldRegistry& registry = Worlds();
    std::lock_guard<std::mutex> lock(registry.mutex);
    if (world != nullptr) {
        registry.worlds[def] = world;
    } else {
        registry.worlds.erase(def);
    }
}

const FakeWorld* FakeWorld::Of(const PF_LayerDef* def) {
    WorldRegistry& registry = Worlds();
    std::lock_guard<std::mutex> lock(registry.mutex);
    const auto found = registry.worlds.find(def);
    return found != registry.worlds.end() ? found->second : nullptr;
}

PF_PixelFormat FakeWorld::SmartPixelFormat() const {
    if (reportedFormat_ != 0) return reportedFormat_;
    if (format_ == &kv::kArgb8) return PF_PixelFormat_ARGB32;
    if (format_ == &kv::kArgb16) return PF_PixelFormat_ARGB64;
    if (format_ == &kv::kArgb32f) return PF_PixelFormat_ARGB128;
    return PF_PixelFormat_INVALID;
}

FakeWorld::FakeWorld(const kv::PixelFormat& format, int32_t width, int32_t height, int32_t rowPadding)
    : format_(&format) {
    const int32_t rowBytes = width * pixelBytes() + rowPadding;
    bytes_.assign(static_cast<size_t>(rowBytes) * static_cast<size_t>(height), 0);
    def_.data = bytes_.data();
    def_.rowbytes = rowBytes;
    def_.width = width;
    def_.height = height;
    def_.extent_hint.right = width;
    def_.extent_hint.bottom = height;
    def_.pix_aspect_ratio.num = 1;
    def_.pix_aspect_ratio.den = 1;
    // PF_WorldFlag_DEEP means 16 bits per channel: float worlds do not carry it.
    def_.world_flags = PF_WorldFlag_WRITEABLE | (format.depth == kv::ChannelDepth::k16u ? PF_WorldFlag_DEEP : 0);
    RegisterWorld(&def_, this);
}

FakeWorld::~FakeWorld() { RegisterWorld(&def_, nullptr); }

size_t FakeWorld::Offset(int32_t x, int32_t y, int channel) const {
    const kv::ChannelTable table = kv::ChannelTableFor(format_->channelOrder);
    const int32_t positions[4] = {table.r, table.g, table.b, table.a};
    const size_t channelBytes = static_cast<size_t>(pixelBytes() / 4);
    return static_cast<size_t>(y) * static_cast<size_t>(def_.rowbytes) +
           static_cast<size_t>(x) * static_cast<size_t>(pixelBytes()) +
           static_cast<size_t>(positions[channel]) * channelBytes;
}

namespace {

// Integer channels: v times the largest code, rounded and clamped.
float Code(float v, float largest) {
    const float code = std::round(v * largest);
    return code <= 0.0f ? 0.0f : (code >= largest ? largest : code);
}

}  // namespace

void FakeWorld::SetPixel(int32_t x, int32_t y, float r, float g, float b, float a) {
    const float values[4] = {r, g, b, a};
    for (int c = 0; c < 4; ++c) {
        unsigned char* channel = &bytes_[Offset(x, y, c)];
        switch (format_->depth) {
            case kv::ChannelDepth::k8u:
                *channel = static_cast<unsigned char>(Code(values[c], 255.0f));
                break;
            case kv::ChannelDepth::k16u: {
                const auto code = static_cast<uint16_t>(Code(values[c], 32768.0f));
                std::memcpy(channel, &code, sizeof code);
                break;
            }
            case kv::ChannelDepth::k32f:
                std::memcpy(channel, &values[c], sizeof values[c]);
                break;
        }
    }
}

void FakeWorld::GetPixel(int32_t x, int32_t y, float rgba[4]) const {
    for (int c = 0; c < 4; ++c) {
        const unsigned char* channel = &bytes_[Offset(x, y, c)];
        switch (format_->depth) {
            case kv::ChannelDepth::k8u:
                rgba[c] = static_cast<float>(*channel) / 255.0f;
                break;
            case kv::ChannelDepth::k16u: {
                uint16_t code;
                std::memcpy(&code, channel, sizeof code);
                rgba[c] = static_cast<float>(code) / 32768.0f;
                break;
            }
            case kv::ChannelDepth::k32f:
                std::memcpy(&rgba[c], channel, sizeof rgba[c]);
                break;
        }
    }
}

void FakeWorld::FillTestPicture(uint32_t seed) {
    uint32_t state = seed * 2654435761u + 12345u;
    for (int32_t y = 0; y < def_.height; ++y) {
        for (int32_t x = 0; x < def_.width; ++x) {
            state = state * 1664525u + 1013904223u;
            const float noise = static_cast<float>(state >> 24) / 255.0f * 0.08f;
            const float fx = def_.width > 1 ? static_cast<float>(x) / static_cast<float>(def_.width - 1) : 0.0f;
            const float fy = def_.height > 1 ? static_cast<float>(y) / static_cast<float>(def_.height - 1) : 0.0f;
            SetPixel(x, y, std::fmin(fx + noise, 1.0f), std::fmin(fy + noise * 0.5f, 1.0f),
                     std::fmin(0.5f * (fx + 1.0f - fy) + noise, 1.0f), 1.0f - 0.25f * fx);
        }
    }
}

void FakeWorld::FillBytes(unsigned char value) { std::memset(bytes_.data(), value, bytes_.size()); }

}  // namespace kvsim
