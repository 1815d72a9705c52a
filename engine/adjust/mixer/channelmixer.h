#pragma once
// Channel mixer: each output channel is a weighted sum (in percent) of the red, green and
// blue input channels; in monochrome mode one grey sum goes to all three channels.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "adjust/framework/binaryio.h"
#include "core/imageplane.h"
#include "core/operation.h"

class IProgress;

namespace adjust {

enum MixerChannel : int32_t { kMixRed = 0, kMixGreen = 1, kMixBlue = 2 };

// Weight bounds of the dialog's pairs (percent).
inline constexpr int32_t kMixerWeightMin = -200;
inline constexpr int32_t kMixerWeightMax = 200;

// The ".chmix" settings file: magic, monochrome flag, 18 weights.
inline constexpr const char* kChannelMixerMagic = "chmix";
inline constexpr size_t kChannelMixerFileSize = 5 + 4 + 18 * 4;

struct ChannelMixerParams {
    // 18 weights in percent, indexed [9 * monochrome + 3 * input + output].
    using Table = std::array<int32_t, 18>;

    int32_t monochrome = 0;  // 0 colour, 1 monochrome
    Table table = DefaultTable();

    // Identity weights for colour, 30/59/11 for the grey output.
    static constexpr Table DefaultTable() {
        return {100, 0, 0, 0, 100, 0, 0, 0, 100,  //
                30, 0, 0, 59, 0, 0, 11, 0, 0};
    }
    // Index of the weight of `input` in `output` for the colour (0) or monochrome (1) set.
    static constexpr size_t Index(int32_t mono, int32_t input, int32_t output) {
        return static_cast<size_t>(9 * mono + 3 * input + output);
    }
    int32_t Weight(int32_t mono, int32_t input, int32_t output) const { return table[Index(mono, input, output)]; }

    bool operator==(const ChannelMixerParams&) const = default;
};

// Mixes `source` into `destination` (3 bytes per pixel, same size): every output is the
// sum of weight * byte * 0.01 over the inputs in single precision, limited to 0..255 and
// truncated. Rows are split between the cores; with a progress sink it reports under the
// title "Channel mixer". False (nothing written) when the planes do not match.
bool ApplyChannelMixer(const ImagePlane& source, const ImagePlane& destination, const ChannelMixerParams& params,
                       IProgress* progress = nullptr);

// The ".chmix" bytes of `params`.
std::vector<uint8_t> SerializeChannelMixer(const ChannelMixerParams& params);
// Reads ".chmix" bytes; InvalidFile (and `params` untouched) for a wrong magic, a short
// file or a monochrome flag other than 0 or 1.
SettingsFileStatus ParseChannelMixer(std::span<const uint8_t> bytes, ChannelMixerParams& params);
// Loads a ".chmix" file into `params`; on any failure `params` is unchanged.
SettingsFileStatus LoadChannelMixerFile(const std::string& path, ChannelMixerParams& params);
// Saves `params` as a ".chmix" file.
SettingsFileStatus SaveChannelMixerFile(const std::string& path, const ChannelMixerParams& params);

// The dialog's state without its windows: the mixing table, the monochrome flag, the
// output combo's entries and selection, and the three weights the pairs show.
class CChannelMixerModel {
public:
    CChannelMixerModel() { MonochromeStep(false); }

    const ChannelMixerParams& Params() const { return m_params; }
    // Entries of the output combo: "Red", "Green", "Blue", or only "Gray" in monochrome mode.
    const std::vector<std::string>& OutputNames() const { return m_outputs; }
    int32_t SelectedOutput() const { return m_selected; }
    // The weights of red, green and blue for the selected output (what the pairs show).
    std::array<int32_t, 3> PairValues() const;

    // Stores a pair's value (truncated) as the weight of `input` for the selected output.
    // True when the preview must be recomputed.
    bool SetWeight(int32_t input, float pairValue);
    // Selects an output (out-of-range indexes are ignored); the image does not change.
    void SelectOutput(int32_t output);
    // The Monochrome box's step: refills the outputs, selects entry 0, sets the flag.
    void MonochromeStep(bool monochromeChecked);
    // All weights back to the defaults, then the monochrome step keeping the box's state.
    void Reset();
    // Takes loaded settings: table and flag, then the monochrome step for that flag.
    void Apply(const ChannelMixerParams& loaded);

private:
    ChannelMixerParams m_params;
    std::vector<std::string> m_outputs;
    int32_t m_selected = 0;
};

// The channel mixer operation (a ".chmix" file) and the dialog's weight pairs.
const ops::Operation& ChannelMixerOperation();
const ops::Param& ChannelMixerWeightParam();

}  // namespace adjust
