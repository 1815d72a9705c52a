// libFuzzer target: the adjustment settings files and the filter preset library. The first
// byte picks the reader, the rest is the file. Accepted settings are written back (they must
// read back as themselves) and run over a small image, since a file's values drive the
// pixel routines.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "scratch.h"
#include "adjust/curves/curves.h"
#include "adjust/filters/filterpresets.h"
#include "adjust/filters/photofilter.h"
#include "adjust/framework/binaryio.h"
#include "adjust/huesat/huesaturation.h"
#include "adjust/mixer/channelmixer.h"
#include "core/imageplane.h"

using namespace adjust;

namespace {

using Bytes = std::span<const uint8_t>;


std::string ScratchFile() {
    static const fuzzscratch::ScratchFolder folder("adjust");
    return (folder.Path() / "settings.bin").string();
}

void WriteScratch(const std::string& path, Bytes bytes) { fuzzscratch::WriteFile(path, bytes); }

// A small picture holding every byte value in each channel, and a destination of its size.
struct Pictures {
    static constexpr int32_t kWidth = 19, kHeight = 14;  // odd width: padded rows
    std::vector<uint8_t> source = std::vector<uint8_t>(ImagePlane::BytesFor(kWidth, kHeight));
    std::vector<uint8_t> destination = std::vector<uint8_t>(ImagePlane::BytesFor(kWidth, kHeight));
    Pictures() {
        for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 7 + i / 256);
    }
    ImagePlane Source() { return ImagePlane::Make(source.data(), kWidth, kHeight); }
    ImagePlane Destination() { return ImagePlane::Make(destination.data(), kWidth, kHeight); }
};

void Mixer(Bytes bytes) {
    ChannelMixerParams params;
    if (ParseChannelMixer(bytes, params) != SettingsFileStatus::Ok) return;
    ChannelMixerParams again;
    if (ParseChannelMixer(SerializeChannelMixer(params), again) != SettingsFileStatus::Ok || !(again == params))
        std::abort();
    Pictures p;
    ApplyChannelMixer(p.Source(), p.Destination(), params);
}

void HueSaturation(Bytes bytes) {
    HueSaturationParams params;
    if (ParseHueSaturation(bytes, params) != SettingsFileStatus::Ok) return;
    HueSaturationParams again;
    if (ParseHueSaturation(SerializeHueSaturation(params), again) != SettingsFileStatus::Ok || !(again == params))
        std::abort();
    // Every hue range, since each uses the file's values differently.
    for (int32_t range = 0; range < kHueRangeCount; ++range) {
        params.range = static_cast<HueRange>(range);
        Pictures p;
        ApplyHueSaturation(p.Source(), p.Destination(), params);
    }
}

void Curves(Bytes bytes) {
    CCurves curves;
    if (curves.LoadBytes(bytes) != SettingsFileStatus::Ok) return;
    const std::vector<uint8_t> saved = curves.SaveBytes();
    CCurves again;
    if (again.LoadBytes(saved) != SettingsFileStatus::Ok || again.SaveBytes() != saved) std::abort();
    Pictures p;
    ApplyCurves(p.Source(), p.Destination(), curves.Tables());
}

void Presets(Bytes bytes) {
    const auto records = ParseFilterPresets(bytes);
    if (!records) return;
    const auto again = ParseFilterPresets(SerializeFilterPresets(*records));
    if (!again || *again != *records) std::abort();
    CFilterPresetLibrary library(*records);
    for (const std::string& category : library.Categories()) library.FilterNames(category);
    // One record's filter is enough to run: the others go through the same routine.
    if (!records->empty()) {
        Pictures p;
        ApplyPhotoFilter(p.Source(), p.Destination(), records->back().params);
    }
}

void FilterLastSettings(Bytes bytes) {
    const std::string path = ScratchFile();
    WriteScratch(path, bytes);
    const auto params = ReadFilterLastSettings(path);
    if (!params) return;
    if (!SaveFilterLastSettings(path, *params)) std::abort();
    // The file keeps 1 - offset, so the offset may come back a rounding step away.
    auto again = ReadFilterLastSettings(path);
    if (!again || std::fabs(again->offset - params->offset) > 1e-6f) std::abort();
    again->offset = params->offset;
    if (!(*again == *params)) std::abort();
    Pictures p;
    ApplyPhotoFilter(p.Source(), p.Destination(), *params);
}

// The path-based loaders of every format on one file, as the dialogs call them.
void Files(Bytes bytes) {
    const std::string path = ScratchFile();
    WriteScratch(path, bytes);
    ChannelMixerParams mixer;
    LoadChannelMixerFile(path, mixer);
    HueSaturationParams hueSat;
    LoadHueSaturationFile(path, hueSat);
    CCurves curves;
    curves.LoadFile(path);
    CFilterPresetLibrary library;
    library.Load(path, nullptr);
    LoadFilterLastSettings(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const Bytes file(data + 1, size - 1);
    switch (data[0] % 6) {
    case 0: Mixer(file); break;
    case 1: HueSaturation(file); break;
    case 2: Curves(file); break;
    case 3: Presets(file); break;
    case 4: FilterLastSettings(file); break;
    default: Files(file); break;
    }
    return 0;
}
