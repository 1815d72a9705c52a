#include "jpegdecoder/jpeghuffman.h"

#include <cstring>

namespace jpegdec {

const uint8_t kNaturalOrder[64 + 16] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
    // A run that overshoots the block lands on the last coefficient instead of outside.
    63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63};

}  // namespace jpegdec

bool CJPEGDecoderHuffmanTable::Build(const uint8_t counts[16], const uint8_t* symbolList,
                                     int symbolCount) {
    defined = false;
    if (symbolCount < 0 || symbolCount > 256) return false;
    int total = 0;
    for (int l = 0; l < 16; ++l) total += counts[l];
    if (total != symbolCount) return false;

    // Canonical code assignment; a length whose codes run out of its bit space, or that
    // would need the all-ones code, makes the table invalid.
    uint16_t codes[256];
    uint8_t lengths[256];
    int p = 0;
    uint32_t code = 0;
    for (int l = 1; l <= 16; ++l) {
        for (int i = 0; i < counts[l - 1]; ++i) {
            lengths[p] = static_cast<uint8_t>(l);
            codes[p++] = static_cast<uint16_t>(code++);
        }
        if (code >= (uint32_t{1} << l)) return false;
        code <<= 1;
    }

    std::memcpy(symbols, symbolList, static_cast<size_t>(symbolCount));
    p = 0;
    for (int l = 1; l <= 16; ++l) {
        if (counts[l - 1]) {
            valOffset[l] = p - static_cast<int32_t>(codes[p]);
            p += counts[l - 1];
            maxCode[l] = codes[p - 1];
        } else {
            valOffset[l] = 0;
            maxCode[l] = -1;
        }
    }
    maxCode[0] = -1;
    maxCode[17] = 0x7FFFFFFF;

    std::memset(lookup, 0, sizeof(lookup));
    for (int i = 0; i < symbolCount; ++i) {
        int len = lengths[i];
        if (len > kLookBits) break;  // codes are in ascending length order
        int shift = kLookBits - len;
        int first = codes[i] << shift;
        for (int j = 0; j < (1 << shift); ++j)
            lookup[first + j] = static_cast<uint16_t>((len << 8) | symbols[i]);
    }
    defined = true;
    return true;
}

void CJPEGDecoderHuffmanState::Fill() {
    if (count > 56) return;
    // Fast path: eight bytes without any 0xFF among them are all plain data.
    if (!stopped && pos <= size && size - pos >= 8) {
        uint64_t word;
        std::memcpy(&word, data + pos, 8);
        uint64_t inverted = ~word;
        if (((inverted - 0x0101010101010101ULL) & ~inverted & 0x8080808080808080ULL) == 0) {
            word = __builtin_bswap64(word);
            int take = (64 - count) >> 3;
            int spare = 64 - count - 8 * take;  // bits of the next byte that must not go in
            bits |= (word >> count) & ~((uint64_t{1} << spare) - 1);
            count += 8 * take;
            pos += static_cast<size_t>(take);
            return;
        }
    }
    while (count <= 56) {
        uint64_t byte = 0;
        if (!stopped) {
            if (pos >= size) {
                stopped = true;
            } else if (data[pos] != 0xFF) {
                byte = data[pos++];
            } else {
                // 0xFF, any number of fill bytes 0xFF, then 0x00 (a data byte 0xFF) or a marker.
                size_t p = pos + 1;
                while (p < size && data[p] == 0xFF) ++p;
                if (p < size && data[p] == 0x00) {
                    byte = 0xFF;
                    pos = p + 1;
                } else {
                    stopped = true;
                    pos = p - 1;  // on the 0xFF just before the marker code
                }
            }
        }
        if (stopped) padBits += 8;
        bits |= byte << (56 - count);
        count += 8;
    }
}

int CJPEGDecoderHuffmanState::DecodeLong(const CJPEGDecoderHuffmanTable& table) {
    if (count < 16) Fill();
    for (int l = CJPEGDecoderHuffmanTable::kLookBits + 1; l <= 16; ++l) {
        int32_t code = static_cast<int32_t>(bits >> (64 - l));
        if (code <= table.maxCode[l]) {
            bits <<= l;
            count -= l;
            return table.symbols[(table.valOffset[l] + code) & 0xFF];
        }
    }
    return -1;
}
