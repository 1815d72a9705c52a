#pragma once
// Bounds-checked reads and writes of 16/32/64-bit values in either TIFF byte order.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace exif {

constexpr int kIntel = 1;     // "II", little-endian
constexpr int kMotorola = 2;  // "MM", big-endian

// A read-only view of a byte block whose reads fail instead of leaving the block.
class CByteView {
public:
    CByteView(const uint8_t* data, size_t size, int order) : m_data(data), m_size(size), m_order(order) {}

    size_t Size() const { return m_size; }
    const uint8_t* Data() const { return m_data; }
    int Order() const { return m_order; }
    // True when `length` bytes starting at `offset` lie inside the block.
    bool Has(uint64_t offset, uint64_t length) const {
        return offset <= m_size && length <= m_size - offset;
    }
    uint8_t U8(size_t offset) const { return m_data[offset]; }
    uint16_t U16(size_t offset) const {
        const uint8_t* p = m_data + offset;
        return m_order == kIntel ? static_cast<uint16_t>(p[0] | p[1] << 8)
                                 : static_cast<uint16_t>(p[0] << 8 | p[1]);
    }
    uint32_t U32(size_t offset) const {
        const uint8_t* p = m_data + offset;
        if (m_order == kIntel)
            return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
        return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
    }
    uint64_t U64(size_t offset) const {
        uint64_t a = U32(offset), b = U32(offset + 4);
        return m_order == kIntel ? (b << 32 | a) : (a << 32 | b);
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    int m_order;
};

// Little-endian writers into a byte vector (the rebuilt block is always Intel order).
inline void PutU16LE(std::vector<uint8_t>& out, size_t at, uint16_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32LE(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutU64LE(std::vector<uint8_t>& out, size_t at, uint64_t v) {
    for (int i = 0; i < 8; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint16_t GetU16BE(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

}  // namespace exif
