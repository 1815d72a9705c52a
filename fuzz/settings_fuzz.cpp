// libFuzzer target: arbitrary bytes as settings.xml in a scratch program folder, through
// CSettings' Load and Save; what Save writes must load back to the same settings.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "scratch.h"
#include "settings/settings.h"

namespace {


const std::filesystem::path& Folder() {
    static const fuzzscratch::ScratchFolder folder("settings");
    return folder.Path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::filesystem::path file = Folder() / "settings.xml";
    fuzzscratch::WriteFile(file, {data, size});
    CSettings settings(Folder());  // the constructor loads
    settings.Load();
    settings.GetUpdateFrequency();
    const auto loaded = settings.Entries();

    if (!settings.Save()) std::abort();
    // Whatever was read, the saved file is a settings document that reads back as itself.
    CSettings again(Folder());
    if (!again.Load() || again.Entries() != loaded) std::abort();
    return 0;
}
