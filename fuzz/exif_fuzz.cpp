// libFuzzer target: segment scan and EXIF parse of arbitrary bytes, then the rebuild.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "exif/exif.h"
#include "exif/exifreport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CExif exif;
    exif.ReadMemory(data, size);
    int w, h, c;
    exif.GetImageSize(w, h, c);
    exif.GetOrientation();
    exif.GetDateTaken();
    FormatReportRows(BuildExifRows(exif));

    // What Save As does before writing: the EXIF directory states a picture size.
    if (exif.Section().ByteOrder() != 0) {
        CIFD& directory = exif.Section().Directory(kIfdExif);
        directory.SetUnsigned(kTagPixelXDimension, static_cast<uint32_t>(size));
        directory.SetUnsigned(kTagPixelYDimension, 70000);
    }
    const std::vector<uint8_t> rebuilt = exif.Section().Rebuild();
    if (rebuilt.empty()) return 0;
    if (rebuilt.size() > CAPP1Section::kMaxSegmentBytes || size_t(rebuilt[0] << 8 | rebuilt[1]) != rebuilt.size())
        std::abort();
    // What we write must read back as itself: a second rebuild gives the same bytes.
    CAPP1Section again;
    again.Parse(rebuilt.data(), rebuilt.size());
    if (again.Rebuild() != rebuilt) std::abort();
    return 0;
}
