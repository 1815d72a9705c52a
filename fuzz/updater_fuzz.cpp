// libFuzzer target: arbitrary bytes as an update list, a job file, a version text and a check
// date. Whatever the list parser accepts must hold only plain relative paths and well-formed
// digests; job lines written back and read again must come out the same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "updater/filelist.h"
#include "updater/jobfile.h"
#include "updater/schedule.h"

namespace {

bool PlainRelative(const std::string& path) {
    const auto normalised = updater::NormaliseRelativePath(path);
    return normalised && *normalised == path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    updater::ListError listError;
    if (const auto entries = updater::ParseFileList(text, listError)) {
        for (const updater::FileListEntry& entry : *entries) {
            if (!PlainRelative(entry.name) || !PlainRelative(entry.localPath)) std::abort();
            if (entry.fingerprint.size() != 32) std::abort();
            if (!entry.sha256.empty() && entry.sha256.size() != 64) std::abort();
        }
    }

    std::string jobError;
    if (const auto lines = updater::ParseJob(text, jobError)) {
        std::string written;
        for (const updater::JobLine& line : *lines) written += line.staging + "|" + line.local + "\r\n";
        const auto again = updater::ParseJob(written, jobError);
        if (!again || again->size() != lines->size()) std::abort();
        for (size_t i = 0; i < lines->size(); ++i)
            if ((*again)[i].staging != (*lines)[i].staging || (*again)[i].local != (*lines)[i].local) std::abort();
    }

    updater::VersionText(updater::ParseVersionText(text));
    updater::ParseCheckDate(std::string(text));
    return 0;
}
