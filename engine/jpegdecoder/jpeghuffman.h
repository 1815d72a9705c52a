#pragma once
// Huffman tables and the bit reader of the entropy-coded segments.
#include <cstddef>
#include <cstdint>

// One decoding table: a 9-bit look-ahead table for the short codes and the canonical
// maxcode/offset arrays for the long ones.
struct CJPEGDecoderHuffmanTable {
    static constexpr int kLookBits = 9;

    bool defined = false;
    uint8_t symbols[256] = {};
    uint16_t lookup[1 << kLookBits] = {};  // (code length << 8) | symbol; 0: longer code
    int32_t maxCode[18] = {};              // largest code of each length, -1 when none
    int32_t valOffset[17] = {};            // symbol index minus code, per length

    // Builds the table from the 16 code-length counts and the symbols; false when the
    // counts do not form a valid prefix code (too many codes for a length).
    bool Build(const uint8_t counts[16], const uint8_t* symbolList, int symbolCount);
};

// Bit buffer over the entropy-coded bytes: removes the stuffed zero after 0xFF and stops
// at a marker or at the end of the data, feeding zero bits from then on. Bits fed that
// way are counted so a decoder can tell when it used bits the data never held.
struct CJPEGDecoderHuffmanState {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;       // next byte to load
    uint64_t bits = 0;    // valid bits are the top `count` bits
    int count = 0;
    int padBits = 0;      // zero bits appended after the data stopped
    bool stopped = false; // a marker or the end of the data was reached

    // Starts reading at `position`, with an empty buffer.
    void Reset(const uint8_t* source, size_t sourceSize, size_t position) {
        data = source;
        size = sourceSize;
        pos = position;
        bits = 0;
        count = 0;
        padBits = 0;
        stopped = false;
    }
    // Drops the buffered bits (restart markers, end of a scan); the position is unchanged.
    void Discard() {
        bits = 0;
        count = 0;
        padBits = 0;
        stopped = false;
    }
    // True once more bits were consumed than the segment held.
    bool Overrun() const { return count < padBits; }

    // Loads bytes until more than 56 bits are buffered.
    void Fill();

    // Next Huffman symbol, or -1 for a bit pattern that is no code of the table.
    int Decode(const CJPEGDecoderHuffmanTable& table) {
        if (count < 16) Fill();
        unsigned entry = table.lookup[bits >> (64 - CJPEGDecoderHuffmanTable::kLookBits)];
        if (entry != 0) {
            int length = static_cast<int>(entry >> 8);
            bits <<= length;
            count -= length;
            return static_cast<int>(entry & 0xFF);
        }
        return DecodeLong(table);
    }
    // The next n bits (1 <= n <= 16) as an unsigned number.
    int GetBits(int n) {
        if (count < n) Fill();
        int value = static_cast<int>(bits >> (64 - n));
        bits <<= n;
        count -= n;
        return value;
    }
    int GetBit() { return GetBits(1); }

    // Decode and GetBits for callers that made sure of enough buffered bits: at least 16
    // before DecodeFast, at least n before GetBitsFast.
    int DecodeFast(const CJPEGDecoderHuffmanTable& table) {
        unsigned entry = table.lookup[bits >> (64 - CJPEGDecoderHuffmanTable::kLookBits)];
        if (entry != 0) {
            int length = static_cast<int>(entry >> 8);
            bits <<= length;
            count -= length;
            return static_cast<int>(entry & 0xFF);
        }
        return DecodeLong(table);
    }
    int GetBitsFast(int n) {
        int value = static_cast<int>(bits >> (64 - n));
        bits <<= n;
        count -= n;
        return value;
    }

private:
    int DecodeLong(const CJPEGDecoderHuffmanTable& table);
};

namespace jpegdec {

// Turns the n-bit magnitude category value into a signed difference (T.81 F.2.2.1).
inline int Extend(int value, int n) {
    return value < (1 << (n - 1)) ? value - (1 << n) + 1 : value;
}

// Zig-zag position to natural position, padded so that corrupt runs past 63 stay inside.
extern const uint8_t kNaturalOrder[64 + 16];

}  // namespace jpegdec
