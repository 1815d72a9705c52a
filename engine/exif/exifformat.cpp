#include "exif/exifformat.h"

#include <cstdio>
#include <iterator>

namespace {

const ExifTagName kTagNames[] = {
    {0x10F, "Make"},
    {0x110, "Model"},
    {0xA002, "Width"},
    {0xA003, "Height"},
    {0x9003, "Date/time taken"},
    {0x131, "Software used"},
    {0x100, "Image width"},
    {0x101, "Image height"},
    {0x102, "Bits per sample"},
    {0x112, "Orientation"},
    {0x12D, "Transfer function"},
    {0x10E, "Image description"},
    {0x13B, "Artist"},
    {0x8298, "Copyright"},
    {0x9000, "Exif version"},
    {0xA000, "FlashPix version"},
    {0xA001, "Color space"},
    {0x829A, "Exposure time"},
    {0x9203, "Brightness"},
    {0x9204, "Exposure comp."},
    {0x9207, "Metering"},
    {0x9208, "Light source"},
    {0x9209, "Flash"},
    {0x920A, "Focal length"},
    {0x829D, "F number"},
    {0x8822, "Exposure program"},
    {0x8824, "SpectralSensitivity"},
    {0x8827, "ISO"},
    {0xA20B, "Flash energy"},
    {0xA214, "Subject location"},
    {0xA403, "White balance"},
    {0xA405, "Focal length in 35mm"},
    {0xA408, "Contrast"},
};

struct ValueName {
    uint16_t tag;
    int32_t value;  // -1: the tag's fallback
    const char* text;
};

const ValueName kValueNames[] = {
    {0x112, 1, "Normal"},
    {0x112, 2, "Flip horizontal"},
    {0x112, 3, "Rotate 180 deg."},
    {0x112, 4, "Flip vertical"},
    {0x112, 5, "Transpose"},
    {0x112, 6, "Rotate 90 deg."},
    {0x112, 7, "Transverse"},
    {0x112, 8, "Rotate 270 deg."},
    {0x112, -1, "Undefined"},
    {0xA001, 1, "sRGB"},
    {0xA001, 65535, "uncalibrated (non sRGB)"},
    {0xA001, -1, "other"},
    {0x9207, 0, "Unknown"},
    {0x9207, 1, "Average"},
    {0x9207, 2, "Center-weighted average"},
    {0x9207, 3, "Spot"},
    {0x9207, 4, "Multi-spot"},
    {0x9207, 5, "Pattern"},
    {0x9207, 6, "Partial"},
    {0x9207, -1, "Other"},
    {0x9208, 0, "Unknown"},
    {0x9208, 1, "Daylight"},
    {0x9208, 2, "Fluorescent"},
    {0x9208, 3, "Tungsten"},
    {0x9208, 4, "Flash"},
    {0x9208, 9, "Sunny"},
    {0x9208, 10, "Cloudy"},
    {0x9208, 11, "Shade"},
    {0x9208, 12, "Daylight fluorescent (D 5700-7100K)"},
    {0x9208, 13, "Day white fluorescent (N 4600-5400K)"},
    {0x9208, 14, "Cool white fluorescent (W 3900-4500K)"},
    {0x9208, 15, "White fluorescent (WW 3200-3700K)"},
    {0x9208, 17, "Standard light A"},
    {0x9208, 18, "Standard light B"},
    {0x9208, 19, "Standard Light C"},
    {0x9208, 20, "D55"},
    {0x9208, 21, "D65"},
    {0x9208, 22, "D75"},
    {0x9208, -1, "Other"},
    {0x9209, 0, "Did not fire"},
    {0x9209, 1, "Fired"},
    {0x9209, 5, "Strobe return light not detected"},
    {0x9209, 7, "Strobe return light detected"},
    {0x9209, 9, "Flash fired, compulsory flash mode"},
    {0x9209, 13, "Flash fired, compulsory flash mode, return light not detected."},
    {0x9209, 15, "Flash fired, compulsory flash mode, return light detected"},
    {0x9209, 16, "Did not fire, compulsory flash mode"},
    {0x9209, 17, "Fired, compulsory flash mode"},
    {0x9209, 24, "Flash did not fire, auto mode"},
    {0x9209, 25, "Flash fired, auto mode"},
    {0x9209, 29, "Flash fired, auto mode, return light not detected"},
    {0x9209, 31, "Flash fired, auto mode, return light detected"},
    {0x9209, 32, "No flash function"},
    {0x9209, 65, "Flash fired, red-eye reduction mode"},
    {0x9209, 69, "Flash fired, red-eye reduction mode, return light not detected"},
    {0x9209, 71, "Flash fired, red-eye reduction mode, return light detected"},
    {0x9209, 73, "Flash fired, compulsory flash mode, red-eye reduction mode"},
    {0x9209, 77, "Flash fired, compulsory flash mode, red-eye reduction mode, return light not detected"},
    {0x9209, 79, "Flash fired, compulsory flash mode, red-eye reduction mode, return light detected"},
    {0x9209, 89, "Flash fired, auto mode, red-eye reduction mode"},
    {0x9209, 93, "Flash fired, auto mode, return light not detected, red-eye reduction mode"},
    {0x9209, 95, "Flash fired, auto mode, return light detected, red-eye reduction mode"},
    {0x9209, -1, "Other"},
    {0x8822, 0, "Not defined"},
    {0x8822, 1, "Manual"},
    {0x8822, 2, "Normal program"},
    {0x8822, 3, "Aperture priority"},
    {0x8822, 4, "Shutter priority"},
    {0x8822, 5, "Creative program (biased toward DOF)"},
    {0x8822, 6, "Action program (biased toward fast shutter speed)"},
    {0x8822, 7, "Portrait mode (small DOF)"},
    {0x8822, 8, "Landscape mode (large DOF)"},
    {0xA403, 0, "Auto"},
    {0xA403, 1, "Manual"},
    {0xA403, -1, "Other"},
    {0xA408, 0, "Normal"},
    {0xA408, 1, "Soft"},
    {0xA408, 2, "Hard"},
    {0xA408, -1, "Other"},
};

constexpr uint16_t kTagExposureComp = 0x9204;
constexpr uint16_t kTagFocalLength = 0x920A;
constexpr uint16_t kTagFNumber = 0x829D;
constexpr uint16_t kTagFocalLength35 = 0xA405;
constexpr uint16_t kTagComponentsConfiguration = 0x9101;

template <typename... Args>
void Append(std::string& text, const char* format, Args... args) {
    char buffer[64];
    int n = std::snprintf(buffer, sizeof buffer, format, args...);
    if (n > 0) text.append(buffer, static_cast<size_t>(n) < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer - 1);
}

}  // namespace

const ExifTagName* ExifTagNames(size_t& count) {
    count = std::size(kTagNames);
    return kTagNames;
}

const char* ExifTagDisplayName(uint16_t tag) {
    for (const ExifTagName& t : kTagNames)
        if (t.tag == tag) return t.name;
    return nullptr;
}

std::string ExifValueName(uint16_t tag, uint16_t value) {
    const char* fallback = nullptr;
    for (const ValueName& v : kValueNames) {
        if (v.tag != tag) continue;
        if (v.value == value) return v.text;
        if (v.value == -1) fallback = v.text;
    }
    if (fallback) return fallback;
    return std::to_string(value);
}

bool FormatEntry(const CIFDEntry& entry, std::string& name, std::string& value) {
    const char* displayName = ExifTagDisplayName(entry.Tag());
    if (displayName == nullptr) return false;
    name = displayName;
    value.clear();
    const auto& values = entry.Values();
    const uint16_t tag = entry.Tag();
    switch (entry.Type()) {
        case kTiffByte:
            for (const auto& v : values) Append(value, "%x ", v.first);
            break;
        case kTiffAscii:
            // The text ends at its first zero; a count that leaves the terminating zero out
            // (some cameras write their texts so) still keeps every character.
            for (const auto& v : values) {
                if (v.first == 0) break;
                value.push_back(static_cast<char>(v.first));
            }
            break;
        case kTiffShort:
            if (tag == kTagFocalLength35) {
                if (!values.empty()) Append(value, "%d mm", static_cast<int>(values[0].first));
            } else {
                for (const auto& v : values) value += ExifValueName(tag, static_cast<uint16_t>(v.first));
            }
            break;
        case kTiffLong:
            for (const auto& v : values) Append(value, "%u ", v.first);
            break;
        case kTiffSLong:
            for (const auto& v : values) Append(value, "%d ", static_cast<int32_t>(v.first));
            break;
        case kTiffRational:
            if ((tag == kTagFNumber || tag == kTagFocalLength) && !values.empty()) {
                const float ratio = static_cast<float>(values[0].first) / static_cast<float>(values[0].second);
                Append(value, tag == kTagFNumber ? "f/%.1f" : "%.1f mm", static_cast<double>(ratio));
            } else {
                for (const auto& v : values) Append(value, "%u/%u ", v.first, v.second);
            }
            break;
        case kTiffUndefined:
            for (const auto& v : values) {
                if (tag == kTagComponentsConfiguration) Append(value, "%d", static_cast<int>(v.first));
                else if (v.first != 0) value.push_back(static_cast<char>(v.first));
            }
            break;
        case kTiffSRational:
            if (tag == kTagExposureComp && !values.empty()) {
                const float ratio = static_cast<float>(static_cast<int32_t>(values[0].first)) /
                                    static_cast<float>(static_cast<int32_t>(values[0].second));
                Append(value, "%+.1f", static_cast<double>(ratio));
            } else {
                for (const auto& v : values)
                    Append(value, "%d/%d ", static_cast<int32_t>(v.first), static_cast<int32_t>(v.second));
            }
            break;
        default:
            break;  // SBYTE, SSHORT, FLOAT, DOUBLE: no text
    }
    return true;
}
