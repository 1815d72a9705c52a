// exif and info: the EXIF block of a JPEG file as text, as an HTML page, its thumbnail,
// and carrying it over to another file.
#include <algorithm>
#include <cstdio>
#include <mutex>
#include <string>

#include "codec/codeclock.h"
#include "codec/jpegcodec.h"
#include "command.h"
#include "exif/exif.h"
#include "exif/exifreport.h"
#include "platform/programfolder.h"
#include "platform/safewrite.h"

namespace cli {
namespace {

// One report value on one line: control characters from the file become spaces.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return text;
}

// Reads `path` into `exif`; prints the failure and returns false when it cannot be opened.
bool Open(CExif& exif, const std::string& path) {
    if (exif.Read() == 0) return true;
    Fail("cannot open '" + path + "'");
    return false;
}

int PrintReport(const std::string& path) {
    CExif exif(path);
    if (!Open(exif, path)) return kExitUsage;
    for (const ExifReportRow& row : BuildExifRows(exif))
        std::printf("%s: %s\n", OneLine(row.name).c_str(), OneLine(row.value).c_str());
    return kExitOk;
}

int WriteHtml(const std::string& path, const std::string& output) {
    CExif exif(path);
    if (!Open(exif, path)) return kExitUsage;
    const std::string templatePath = platform::ProgramFile(kExifTemplateFile).string();
    if (BuildExifReport(exif, templatePath, output) != 0) {
        Fail("cannot write '" + output + "'");
        return kExitFailure;
    }
    return kExitOk;
}

int WriteThumbnail(const std::string& path, const std::string& output) {
    CExif exif(path);
    if (!Open(exif, path)) return kExitUsage;
    if (exif.GetThumbnailSize() == 0) return Fail("'" + path + "' has no embedded thumbnail");
    std::string error;
    if (!platform::ReplaceFileWithBytes(output, {exif.GetThumbnail(), exif.GetThumbnailSize()}, error)) {
        Fail("cannot write '" + output + "': " + error);
        return kExitFailure;
    }
    return kExitOk;
}

// What the editor's Save As does after encoding: the source's EXIF block into the new file.
int CopyExif(const std::string& from, const std::string& to) {
    CExif source(from), target(to);
    if (!Open(source, from) || !Open(target, to)) return kExitUsage;
    if (!target.IsLoaded()) return Fail("'" + to + "' is not a JPEG file");
    if (!target.CopyExifFrom(source)) std::fprintf(stderr, "lumaret-cli: nothing copied from '%s'\n", from.c_str());
    if (!target.WriteFile()) {
        Fail("cannot write '" + to + "'");
        return kExitFailure;
    }
    return kExitOk;
}

int RunExif(const Args& args) {
    if (args.size() == 1 && args[0].rfind("--", 0) != 0) return PrintReport(args[0]);
    if (args.size() == 3 && args[0] == "--html") return WriteHtml(args[1], args[2]);
    if (args.size() == 3 && args[0] == "--thumbnail") return WriteThumbnail(args[1], args[2]);
    if (args.size() == 3 && args[0] == "--copy") return CopyExif(args[1], args[2]);
    return UsageError("exif");
}

int RunInfo(const Args& args) {
    if (args.size() != 1 || args[0].rfind("--", 0) == 0) return UsageError("info");
    const std::string& path = args[0];
    CExif exif(path);
    if (!Open(exif, path)) return kExitUsage;
    int width = 0, height = 0, components = 0;
    bool decodable = false;
    {
        std::lock_guard<std::mutex> guard(CodecLock());
        decodable = getJPEGFileInfo(path.c_str(), &width, &height, &components) != 0;
    }
    // Frames the codec does not decode (12-bit, lossless, arithmetic, hierarchical) still
    // have a size: the frame header as our own scan read it.
    if (!decodable) {
        exif.GetImageSize(width, height, components);
        width = std::max(width, 0);
        height = std::max(height, 0);
        components = std::max(components, 0);
    }
    const int order = exif.Section().ByteOrder();
    std::printf("size: %d x %d x %d\n", width, height, components);
    std::printf("orientation: %d\n", exif.GetOrientation());
    std::printf("date-taken: %s\n", OneLine(exif.GetDateTaken().value_or("")).c_str());
    std::printf("thumbnail: %zu bytes\n", exif.GetThumbnailSize());
    std::printf("byte-order: %s\n", order == 1 ? "II" : order == 2 ? "MM" : "none");
    return kExitOk;
}

CommandRegistration exifCommand{{"exif",
                                 "exif FILE\n"
                                 "exif --html FILE OUT.html\n"
                                 "exif --thumbnail FILE OUT.jpg\n"
                                 "exif --copy FROM.jpg TO.jpg",
                                 &RunExif}};
CommandRegistration infoCommand{{"info", "info FILE", &RunInfo}};

}  // namespace
}  // namespace cli
