// lumaret-copy: started by Lumaret at exit with "-$" when updates were downloaded. It waits
// until the program has ended, then applies the job file of the program folder (see
// updater/jobfile.h) and writes what happened to lumaret-copy.log there.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <thread>

#include "platform/instancelock.h"
#include "platform/programfolder.h"
#include "platform/safewrite.h"
#include "updater/jobfile.h"

namespace {

constexpr auto kWaitLimit = std::chrono::minutes(2);
constexpr auto kPollInterval = std::chrono::milliseconds(100);

// Appends one time-stamped line to the log (an append-only file, so not replaced wholesale).
void Log(const std::filesystem::path& folder, const std::string& text) {
    const std::string path = (folder / "lumaret-copy.log").string();
    platform::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    const std::string line = std::string(stamp) + " " + text + "\n";
    if (fd.IsOpen()) platform::WriteAll(fd.Get(), line.data(), line.size());
    std::fprintf(stderr, "lumaret-copy: %s\n", text.c_str());
}

bool ProcessAlive(long pid) { return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM; }

int Usage() {
    std::fprintf(stderr,
                 "usage: lumaret-copy -$ [--pid PID]\n"
                 "  Waits until Lumaret (and process PID, when given) has ended, then moves the\n"
                 "  downloaded updates named in the program folder's job file into place.\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("lumaret-copy %s\n", LUMARET_VERSION);
        return 0;
    }
    if (argc < 2 || std::strcmp(argv[1], "-$") != 0) return Usage();
    long waitPid = 0;
    if (argc == 4 && std::strcmp(argv[2], "--pid") == 0) {
        char* end = nullptr;
        waitPid = std::strtol(argv[3], &end, 10);
        if (!end || *end || waitPid <= 0) return Usage();
    } else if (argc != 2) {
        return Usage();
    }

    const std::filesystem::path folder = platform::ProgramFolder();
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    while (waitPid > 0 && ProcessAlive(waitPid)) {
        if (std::chrono::steady_clock::now() > deadline) {
            Log(folder, "Lumaret did not end; the update is kept for the next exit.");
            return 1;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    // Holding the instance lock while files move keeps a new copy of the program from starting
    // half-way through.
    std::unique_ptr<CInstanceLock> lock;
    for (;;) {
        lock = std::make_unique<CInstanceLock>();
        if (lock->Acquired()) break;
        if (std::chrono::steady_clock::now() > deadline) {
            Log(folder, "Lumaret is still running; the update is kept for the next exit.");
            return 1;
        }
        lock.reset();
        std::this_thread::sleep_for(kPollInterval);
    }

    const updater::ApplyReport report = updater::ApplyJob(folder);
    switch (report.outcome) {
        case updater::ApplyOutcome::NothingToDo: return 0;
        case updater::ApplyOutcome::Applied: Log(folder, report.message); return 0;
        case updater::ApplyOutcome::RolledBack: Log(folder, report.message); return 1;
    }
    return 1;
}
