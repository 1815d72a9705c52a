#pragma once
// Fakes and temp-folder helpers shared by the browser tests.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fakes.h"
#include "tempdir.h"
#include "browser/browserdoc.h"
#include "browser/browserservices.h"
#include "browser/localfilesystem.h"
#include "core/prompt.h"

namespace browsertest {

namespace fs = std::filesystem;

using testsupport::TempDir;

// Sets (or unsets, for nullopt) an environment variable for the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value) ::setenv(name, value->c_str(), 1);
        else ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old) ::setenv(m_name, m_old->c_str(), 1);
        else ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

using testsupport::ReadText;
using testsupport::WriteText;

// Writes each (name, content) pair below `folder`.
inline void WriteFiles(const std::string& folder, const std::vector<std::pair<std::string, std::string>>& files) {
    for (const auto& [name, content] : files) WriteText(folder + "/" + name, content);
}

// Records every update and listing state; tests wait for codes with a bound.
class FakeSink : public IBrowserUpdateSink {
public:
    void PostUpdate(int code, intptr_t param) override {
        std::lock_guard lock(m_lock);
        m_updates.emplace_back(code, param);
        m_changed.notify_all();
    }
    void SetListingState(int state) override {
        std::lock_guard lock(m_lock);
        m_states.push_back(state);
    }
    std::vector<std::pair<int, intptr_t>> Updates() {
        std::lock_guard lock(m_lock);
        return m_updates;
    }
    std::vector<int> States() {
        std::lock_guard lock(m_lock);
        return m_states;
    }
    int Count(int code) {
        std::lock_guard lock(m_lock);
        return CountLocked(code);
    }
    void Clear() {
        std::lock_guard lock(m_lock);
        m_updates.clear();
        m_states.clear();
    }
    // Waits up to `limit` for at least `times` updates with `code`.
    bool WaitFor(int code, int times = 1, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, limit, [&] { return CountLocked(code) >= times; });
    }

private:
    int CountLocked(int code) const {
        int n = 0;
        for (auto& u : m_updates) n += u.first == code;
        return n;
    }
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::pair<int, intptr_t>> m_updates;
    std::vector<int> m_states;
};

using FakePrompt = testsupport::ScriptedPrompt;
using FakeProgress = testsupport::RecordingProgress;

// A document wired to fakes, with a short watcher settle time.
struct Browser {
    FakeSink sink;
    FakePrompt prompt;
    FakeProgress progress;
    std::unique_ptr<CFileBrowserDoc> doc;

    explicit Browser(IThumbnailService* thumbnails = nullptr) {
        BrowserServices s;
        s.sink = &sink;
        s.prompt = &prompt;
        s.progress = &progress;
        s.thumbnails = thumbnails;
        doc = std::make_unique<CFileBrowserDoc>(s);
        Local().SetWatcherSettleTime(std::chrono::milliseconds(20));
    }
    CLocalFileSystem& Local() { return *static_cast<CLocalFileSystem*>(doc->Source()); }
    // Browses a folder and waits for the listing to end.
    void Show(const std::string& folder) {
        doc->Browse(CHint::Folder(folder));
        Local().WaitForListing();
    }
    void RefreshAndWait() {
        Local().Refresh();
        Local().WaitForListing();
    }
    // Visible paths in display order.
    std::vector<std::string> Visible() {
        std::vector<std::string> out;
        for (int32_t row = 0; row < doc->VisibleCount(); ++row) out.push_back(doc->EntryPath(row));
        return out;
    }
    // Visible file names in display order.
    std::vector<std::string> Names() {
        std::vector<std::string> out;
        for (const std::string& p : Visible()) out.push_back(fs::path(p).filename().string());
        return out;
    }
    // Store index of the entry with this path that is not gone, or -1.
    int32_t Find(const std::string& path) {
        for (int32_t i = 0; i < doc->EntryCount(); ++i)
            if (doc->StorePath(i) == path && !doc->Entry(i)->Has(kEntryGone)) return i;
        return -1;
    }
    // Selects the visible rows whose file names are listed.
    void Select(const std::vector<std::string>& names) {
        for (int32_t row = 0; row < doc->VisibleCount(); ++row)
            if (std::find(names.begin(), names.end(), fs::path(doc->EntryPath(row)).filename().string()) != names.end())
                doc->VisibleEntry(row)->flags |= kEntrySelected;
    }
};

}  // namespace browsertest
