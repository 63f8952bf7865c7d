#pragma once
// A fuzz input read as the values a target builds its case from: bytes,
// raw float bits (so NaN, infinities and denormals all come up), and zeros
// once the input runs out.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kvfuzz {

class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    float Float() {
        uint32_t u = 0;
        for (int i = 0; i < 4; ++i) u |= uint32_t{Byte()} << (8 * i);
        float f;
        std::memcpy(&f, &u, sizeof f);
        return f;
    }
    void Floats(float* f, int n) {
        for (int i = 0; i < n; ++i) f[i] = Float();
    }
    // Mostly values of one scale, so that 16-bit codes are tried as well.
    float Value(float scale) {
        const uint8_t kind = Byte();
        if (kind < 200) return scale * static_cast<float>(static_cast<int16_t>(Byte() | (Byte() << 8))) / 32768.0f;
        return Float();
    }
    bool Done() const { return pos_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

}  // namespace kvfuzz
