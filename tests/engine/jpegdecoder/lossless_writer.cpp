#include "lossless_writer.h"

namespace dectest {
namespace {

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : m_out(out) {}
    void Put(uint32_t bits, int length) {
        for (int i = length - 1; i >= 0; --i) {
            m_byte = static_cast<uint8_t>((m_byte << 1) | ((bits >> i) & 1));
            if (++m_count == 8) Emit();
        }
    }
    // Pads the last byte with one bits.
    void Flush() {
        while (m_count != 0) Put(1, 1);
    }

private:
    void Emit() {
        m_out.push_back(m_byte);
        if (m_byte == 0xFF) m_out.push_back(0x00);
        m_byte = 0;
        m_count = 0;
    }
    std::vector<uint8_t>& m_out;
    uint8_t m_byte = 0;
    int m_count = 0;
};

void Segment(std::vector<uint8_t>& out, int marker, const std::vector<uint8_t>& payload) {
    out.push_back(0xFF);
    out.push_back(static_cast<uint8_t>(marker));
    out.push_back(static_cast<uint8_t>((payload.size() + 2) >> 8));
    out.push_back(static_cast<uint8_t>(payload.size() + 2));
    out.insert(out.end(), payload.begin(), payload.end());
}

// Categories 0..14 get 4-bit codes 0000..1110, 15 and 16 get 111100 and 111101.
void PutCategory(BitWriter& bits, int category) {
    if (category < 15) bits.Put(static_cast<uint32_t>(category), 4);
    else bits.Put(static_cast<uint32_t>(0x3C + category - 15), 6);
}

int Predict(int predictor, int ra, int rb, int rc) {
    switch (predictor) {
    case 1: return ra;
    case 2: return rb;
    case 3: return rc;
    case 4: return ra + rb - rc;
    case 5: return ra + ((rb - rc) >> 1);
    case 6: return rb + ((ra - rc) >> 1);
    default: return (ra + rb) >> 1;
    }
}

}  // namespace

std::vector<uint8_t> EncodeLossless(const codectest::Picture& image, const LosslessOptions& o) {
    const int n = image.components, w = image.width, h = image.height;
    std::vector<uint8_t> out = {0xFF, 0xD8};
    if (o.adobeRgb) Segment(out, 0xEE, {'A', 'd', 'o', 'b', 'e', 0, 100, 0, 0, 0, 0, 0});
    std::vector<uint8_t> frame = {8, static_cast<uint8_t>(h >> 8), static_cast<uint8_t>(h),
                                  static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w),
                                  static_cast<uint8_t>(n)};
    for (int c = 0; c < n; ++c) frame.insert(frame.end(), {static_cast<uint8_t>(c + 1), 0x11, 0});
    Segment(out, 0xC3, frame);
    std::vector<uint8_t> table = {0x00, 0, 0, 0, 15, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int s = 0; s <= 16; ++s) table.push_back(static_cast<uint8_t>(s));
    Segment(out, 0xC4, table);
    if (o.restartInterval)
        Segment(out, 0xDD, {static_cast<uint8_t>(o.restartInterval >> 8),
                            static_cast<uint8_t>(o.restartInterval)});

    auto sample = [&](int x, int y, int c) { return image.Pixel(x, y)[c] >> o.pointTransform; };
    std::vector<std::vector<int>> scans;
    if (o.interleaved) {
        scans.push_back({});
        for (int c = 0; c < n; ++c) scans[0].push_back(c);
    } else {
        for (int c = 0; c < n; ++c) scans.push_back({c});
    }
    for (const auto& scan : scans) {
        std::vector<uint8_t> header = {static_cast<uint8_t>(scan.size())};
        for (int c : scan) header.insert(header.end(), {static_cast<uint8_t>(c + 1), 0x00});
        header.insert(header.end(), {static_cast<uint8_t>(o.predictor), 0,
                                     static_cast<uint8_t>(o.pointTransform)});
        Segment(out, 0xDA, header);
        BitWriter bits(out);
        int mcu = 0, restarts = 0, firstRow = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (o.restartInterval && mcu > 0 && mcu % o.restartInterval == 0) {
                    bits.Flush();
                    out.push_back(0xFF);
                    out.push_back(static_cast<uint8_t>(0xD0 + (restarts++ & 7)));
                    firstRow = y;
                }
                ++mcu;
                for (int c : scan) {
                    int prediction;
                    if (y == firstRow) {
                        prediction = x == 0 ? 1 << (8 - o.pointTransform - 1) : sample(x - 1, y, c);
                    } else if (x == 0) {
                        prediction = sample(0, y - 1, c);
                    } else {
                        prediction = Predict(o.predictor, sample(x - 1, y, c), sample(x, y - 1, c),
                                             sample(x - 1, y - 1, c));
                    }
                    int diff = sample(x, y, c) - prediction;
                    int magnitude = diff < 0 ? -diff : diff;
                    int category = 0;
                    while ((1 << category) <= magnitude) ++category;
                    PutCategory(bits, category);
                    if (category) {
                        uint32_t value = static_cast<uint32_t>(diff < 0 ? diff + (1 << category) - 1 : diff);
                        bits.Put(value & ((1u << category) - 1), category);
                    }
                }
            }
        }
        bits.Flush();
    }
    out.push_back(0xFF);
    out.push_back(0xD9);
    return out;
}

}  // namespace dectest
