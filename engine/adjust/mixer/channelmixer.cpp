// Channel mixer routine, ".chmix" files and the dialog model.
#include "adjust/mixer/channelmixer.h"

#include <algorithm>
#include <cmath>

#include "adjust/framework/pixeltables.h"
#include "adjust/mixer/rowbands.h"

namespace adjust {

namespace {

// products[input][output][byte] = weight * byte * 0.01, exactly as the sum needs them.
struct MixerProducts {
    std::array<std::array<std::array<float, 256>, 3>, 3> products;
};

MixerProducts BuildProducts(const ChannelMixerParams& p, int32_t mono) {
    MixerProducts t{};
    for (int32_t in = 0; in < 3; ++in) {
        for (int32_t out = 0; out < 3; ++out) {
            // Weights from a file may be anything: float products cannot overflow.
            const float w = static_cast<float>(p.Weight(mono, in, out));
            auto& row = t.products[static_cast<size_t>(in)][static_cast<size_t>(out)];
            for (int b = 0; b < 256; ++b) row[static_cast<size_t>(b)] = w * static_cast<float>(b) * 0.01f;
        }
    }
    return t;
}

inline uint8_t ToByte(float v) {
    v = v > 0.0f ? v : 0.0f;
    v = v < 255.0f ? v : 255.0f;
    return static_cast<uint8_t>(static_cast<int>(v));
}

void MixColourRows(const ImagePlane& src, const ImagePlane& dst, const MixerProducts& t, int32_t y0, int32_t y1) {
    const auto& pr = t.products[kMixRed];
    const auto& pg = t.products[kMixGreen];
    const auto& pb = t.products[kMixBlue];
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* s = src.Row(y);
        uint8_t* d = dst.Row(y);
        for (int32_t x = 0; x < src.width; ++x, s += 3, d += 3) {
            const uint8_t B = s[0], G = s[1], R = s[2];
            d[2] = ToByte(pr[kMixRed][R] + pg[kMixRed][G] + pb[kMixRed][B]);
            d[1] = ToByte(pr[kMixGreen][R] + pg[kMixGreen][G] + pb[kMixGreen][B]);
            d[0] = ToByte(pr[kMixBlue][R] + pg[kMixBlue][G] + pb[kMixBlue][B]);
        }
    }
}

void MixMonochromeRows(const ImagePlane& src, const ImagePlane& dst, const MixerProducts& t, int32_t y0,
                       int32_t y1) {
    const auto& pr = t.products[kMixRed][0];
    const auto& pg = t.products[kMixGreen][0];
    const auto& pb = t.products[kMixBlue][0];
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* s = src.Row(y);
        uint8_t* d = dst.Row(y);
        for (int32_t x = 0; x < src.width; ++x, s += 3, d += 3) {
            const uint8_t v = ToByte(pr[s[2]] + pg[s[1]] + pb[s[0]]);
            d[0] = v;
            d[1] = v;
            d[2] = v;
        }
    }
}

}  // namespace

bool ApplyChannelMixer(const ImagePlane& source, const ImagePlane& destination, const ChannelMixerParams& params,
                       IProgress* progress) {
    if (!PlanesMatch(source, destination) || source.channels != 3) return false;
    const int32_t mono = params.monochrome != 0 ? 1 : 0;
    const MixerProducts products = BuildProducts(params, mono);
    auto rows = [&](int32_t y0, int32_t y1) {
        if (mono)
            MixMonochromeRows(source, destination, products, y0, y1);
        else
            MixColourRows(source, destination, products, y0, y1);
    };
    RunRowBands(source.height, rows, progress, "Channel mixer");
    return true;
}

std::vector<uint8_t> SerializeChannelMixer(const ChannelMixerParams& params) {
    ByteWriter w;
    w.Raw(std::string_view(kChannelMixerMagic));
    w.I32(params.monochrome);
    for (int32_t v : params.table) w.I32(v);
    return w.Take();
}

SettingsFileStatus ParseChannelMixer(std::span<const uint8_t> bytes, ChannelMixerParams& params) {
    ByteReader r(bytes);
    ChannelMixerParams loaded;
    r.Expect(kChannelMixerMagic);
    r.I32(loaded.monochrome);
    for (int32_t& v : loaded.table) r.I32(v);
    // A flag other than 0 or 1 would index past the table's two sets.
    if (!r.Ok() || (loaded.monochrome != 0 && loaded.monochrome != 1)) return SettingsFileStatus::InvalidFile;
    params = loaded;
    return SettingsFileStatus::Ok;
}

SettingsFileStatus LoadChannelMixerFile(const std::string& path, ChannelMixerParams& params) {
    return LoadSettingsFile(path, kChannelMixerMagic,
                            [&](std::span<const uint8_t> bytes) { return ParseChannelMixer(bytes, params); });
}

SettingsFileStatus SaveChannelMixerFile(const std::string& path, const ChannelMixerParams& params) {
    const std::vector<uint8_t> bytes = SerializeChannelMixer(params);
    return SaveSettingsFile(path, bytes);
}

std::array<int32_t, 3> CChannelMixerModel::PairValues() const {
    const int32_t mono = m_params.monochrome;
    return {m_params.Weight(mono, kMixRed, m_selected), m_params.Weight(mono, kMixGreen, m_selected),
            m_params.Weight(mono, kMixBlue, m_selected)};
}

bool CChannelMixerModel::SetWeight(int32_t input, float pairValue) {
    if (input < 0 || input > 2 || !std::isfinite(pairValue)) return false;
    const float limited = std::clamp(pairValue, static_cast<float>(kMixerWeightMin),
                                     static_cast<float>(kMixerWeightMax));
    m_params.table[ChannelMixerParams::Index(m_params.monochrome, input, m_selected)] =
        static_cast<int32_t>(limited);
    return true;
}

void CChannelMixerModel::SelectOutput(int32_t output) {
    if (output >= 0 && output < static_cast<int32_t>(m_outputs.size())) m_selected = output;
}

void CChannelMixerModel::MonochromeStep(bool monochromeChecked) {
    if (monochromeChecked) {
        m_outputs = {"Gray"};
        m_params.monochrome = 1;
    } else {
        m_outputs = {"Red", "Green", "Blue"};
        m_params.monochrome = 0;
    }
    m_selected = 0;
}

void CChannelMixerModel::Reset() {
    m_params.table = ChannelMixerParams::DefaultTable();
    MonochromeStep(m_params.monochrome != 0);
}

void CChannelMixerModel::Apply(const ChannelMixerParams& loaded) {
    m_params.table = loaded.table;
    MonochromeStep(loaded.monochrome != 0);
}

}  // namespace adjust
