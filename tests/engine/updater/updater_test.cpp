// CUpdater against a real HTTPS server on 127.0.0.1 with a generated certificate and key pair.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <thread>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>

#include "fakes.h"
#include "update_server.h"
#include "updater/jobfile.h"
#include "updater/schedule.h"
#include "updater/updater.h"

namespace {

namespace fs = std::filesystem;
using namespace updater;
using updatetest::ListLine;
using updatetest::ReadFile;
using updatetest::WriteFile;

class RecordingView final : public IUpdaterView {
public:
    void AppendMessage(const std::string& text) override { messages.push_back(text); }
    void SetOkEnabled(bool enabled) override { okEnabled = enabled; }
    void SetOkText(const std::string& text) override { okText = text; }
    void SetProgress(int file, int total) override {
        EXPECT_TRUE(file >= 0 && file <= 100 && total >= 0 && total <= 100);
    }
    bool Said(const std::string& part) const {
        return std::any_of(messages.begin(), messages.end(),
                           [&](const std::string& m) { return m.find(part) != std::string::npos; });
    }
    std::vector<std::string> messages;
    bool okEnabled = true;
    std::string okText = "OK";
};

// Records every message; any question is answered OK.
struct RecordingPrompt : testsupport::ScriptedPrompt {
    RecordingPrompt() { whenOutOfAnswers = PromptAnswer::Ok; }
};

// Every file and folder below `folder` with its content ("<dir>" for folders).
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        const std::string key = fs::relative(item.path(), folder).string();
        if (item.is_symlink()) files[key] = "<link>" + fs::read_symlink(item.path()).string();
        else files[key] = item.is_directory() ? "<dir>" : ReadFile(item.path());
    }
    return files;
}

class UpdaterHttps : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        base = fs::temp_directory_path() / ("lumaret_updater_https_" + std::to_string(::getpid()));
        fs::remove_all(base);
        ASSERT_TRUE(updatetest::MakeCertificate(base / "tls"));
        keys = updatetest::MakeKeyPair(base / "keys");
        otherKeys = updatetest::MakeKeyPair(base / "keys", "other");
        fs::create_directories(base / "www/update");
        server = std::make_unique<updatetest::TestServer>(base / "www", base / "tls");
        plainServer = std::make_unique<updatetest::TestServer>(base / "www", base / "tls", true);
    }
    static void TearDownTestSuite() {
        server.reset();
        plainServer.reset();
        fs::remove_all(base);
    }
    void SetUp() override {
        ASSERT_FALSE(server->Url().empty()) << "the HTTPS test server did not start";
        ASSERT_FALSE(plainServer->Url().empty()) << "the HTTP test server did not start";
        folder = base / "prog";
        fs::remove_all(folder);
        fs::create_directories(folder / "data");
        WriteFile(folder / "data/version.info", "1.0");
        fs::remove_all(base / "www/update");
        fs::create_directories(base / "www/update");
        url = server->Url();
    }

    // Puts a list on the server, signed by `signer`, and the files it names.
    void Publish(const std::string& list, const std::map<std::string, std::string>& files = {},
                 const fs::path* signer = nullptr) {
        WriteFile(base / "www/update/filelist", list);
        ASSERT_TRUE(updatetest::SignList(signer ? *signer : keys.privateKey, base / "www/update/filelist"));
        for (const auto& [name, content] : files) WriteFile(base / "www/update" / name, content);
    }
    std::string Line(const std::string& name, const std::string& local, const std::string& content,
                      const std::string& options = {}, const std::string& version = "1.0") {
        return ListLine(base, name, local, version, content, options);
    }

    // Runs a check and, when it finds updates, the download.
    struct Run {
        CheckOutcome check;
        DownloadOutcome download = DownloadOutcome::NothingToDo;
        int count = 0;
        bool newerPending = false;
    };
    Run CheckAndDownload(bool silent = false, const std::string& ca = "") {
        HttpsSettings https;
        https.baseUrl = url;
        https.extraCaFile = ca.empty() ? (base / "tls/cert.pem").string() : ca;
        const auto http = MakeHttpsClient(https);
        UpdaterConfig config;
        config.folder = folder;
        config.publicKeyPem = ReadFile(keys.publicKey);
        config.now = [] { return std::time_t(1773576000); };  // 15 March 2026, around noon
        CSettings settings(folder);
        settings.Load();
        CUpdater updater(config, settings, *http, prompt, silent ? nullptr : &view, session);
        Run run{updater.Check()};
        run.count = updater.DownloadCount();
        run.newerPending = updater.NewerVersionPending();
        if (run.check == CheckOutcome::UpdatesAvailable && !silent) run.download = updater.Download();
        return run;
    }

    static inline fs::path base;
    static inline updatetest::KeyPair keys, otherKeys;
    static inline std::unique_ptr<updatetest::TestServer> server, plainServer;
    fs::path folder;
    std::string url;
    RecordingView view;
    RecordingPrompt prompt;
    UpdateSession session;
};

TEST_F(UpdaterHttps, SignedUpdateIsStagedQueuedAndAppliedByTheJob) {
    WriteFile(folder / "data/a.txt", "old a");
    WriteFile(folder / "c.txt", "same c");
    WriteFile(folder / "d.txt", "mine, never replaced");
    WriteFile(folder / "e.txt", "old e");
    Publish("# list\r\n" + Line("a.txt", "data/a.txt", "new a") + Line("sub/b.bin", "b.bin", "new b") +
                Line("c.txt", "c.txt", "same c") + Line("d.txt", "d.txt", "new d", "NOOVERWRITE") +
                Line("e.txt", "e.txt", "new e", "NODEFFER") +
                ListLine(base, "f.txt", "f.txt", "1.0", "new f", "", true),
            {{"a.txt", "new a"}, {"sub/b.bin", "new b"}, {"e.txt", "new e"}, {"f.txt", "new f"}});

    const Run run = CheckAndDownload();
    ASSERT_EQ(run.check, CheckOutcome::UpdatesAvailable) << ::testing::PrintToString(view.messages);
    EXPECT_EQ(run.count, 4);
    EXPECT_EQ(run.download, DownloadOutcome::Downloaded) << ::testing::PrintToString(view.messages);
    EXPECT_TRUE(view.Said("New version is available for download. Press 'Update' button to update the software."));
    EXPECT_TRUE(view.Said("Please restart Lumaret for changes to take the effect."));
    EXPECT_EQ(view.okText, "Done");

    CSettings settings(folder);
    settings.Load();
    EXPECT_EQ(settings.LastUpdate, FormatCheckDate(1773576000));
    EXPECT_EQ(ReadFile(folder / "job"), "Update/a.txt|data/a.txt\r\nUpdate/sub/b.bin|b.bin\r\nUpdate/f.txt|f.txt\r\n");
    EXPECT_EQ(ReadFile(folder / "Update/sub/b.bin"), "new b");
    EXPECT_EQ(ReadFile(folder / "e.txt"), "new e");  // copied at once
    EXPECT_FALSE(fs::exists(folder / "Update/e.txt"));
    EXPECT_EQ(ReadFile(folder / "data/a.txt"), "old a");  // waits for lumaret-copy
    EXPECT_TRUE(session.updatesPending);
    EXPECT_TRUE(CUpdater::RefuseWhenUpdated(session, prompt));
    EXPECT_EQ(prompt.Lines(": ").back(), "Lumaret: You must restart Lumaret before checking again!");

    const ApplyReport report = ApplyJob(folder);
    EXPECT_EQ(report.outcome, ApplyOutcome::Applied) << report.message;
    EXPECT_EQ(ReadFile(folder / "data/a.txt"), "new a");
    EXPECT_EQ(ReadFile(folder / "b.bin"), "new b");
    EXPECT_EQ(ReadFile(folder / "d.txt"), "mine, never replaced");
    EXPECT_FALSE(fs::exists(folder / "job"));
    EXPECT_FALSE(fs::exists(folder / "Update"));
}

TEST_F(UpdaterHttps, CommentOnlyListFindsNothingAndRecordsTheCheck) {
    Publish("# nothing this time\n");
    const Run run = CheckAndDownload();
    EXPECT_EQ(run.check, CheckOutcome::NoUpdates);
    EXPECT_TRUE(view.Said(kNoUpdatesText));
    CSettings settings(folder);
    settings.Load();
    EXPECT_EQ(settings.LastUpdate, FormatCheckDate(1773576000));
    EXPECT_FALSE(CUpdater::RefuseWhenUpdated(session, prompt));
}

TEST_F(UpdaterHttps, ClimbsVersionsWhileEveryFileOfTheCurrentOneMatches) {
    WriteFile(folder / "a", "a1");
    WriteFile(folder / "b", "b1");
    const struct {
        const char* bAt11;  // what the 1.1 entry for b expects
        const char* version;
        bool newerPending;
    } cases[] = {{"b1", "1.2", false}, {"b2", "1.1", true}};
    for (const auto& c : cases) {
        WriteFile(folder / "data/version.info", "1.0");
        Publish(Line("a", "a", "a1", "", "1.0") + Line("b", "b", c.bAt11, "", "1.1") + Line("a", "a", "a3", "", "1.2"),
                {{"a", "a3"}, {"b", c.bAt11}});
        session.updatedInThisRun = false;
        view.messages.clear();
        const Run run = CheckAndDownload();
        EXPECT_EQ(run.check, CheckOutcome::UpdatesAvailable);
        EXPECT_EQ(run.count, 1);
        EXPECT_EQ(run.newerPending, c.newerPending);
        EXPECT_EQ(ReadFile(folder / "data/version.info"), c.version);
        EXPECT_EQ(view.Said("Please run updater again, as not all updates could be installed at once."),
                  c.newerPending);
    }
}

TEST_F(UpdaterHttps, SilentCheckOnlyShowsTheUpdatesBox) {
    Publish(Line("x", "x", "new x"), {{"x", "new x"}});
    const Run run = CheckAndDownload(true);
    EXPECT_EQ(run.check, CheckOutcome::UpdatesAvailable);
    ASSERT_EQ(prompt.Lines(": ").size(), 1u);
    EXPECT_EQ(prompt.Lines(": ")[0],
              "Lumaret: There are updates available for download. Go to menu 'Help' and choose 'Check for update'.");
    EXPECT_FALSE(fs::exists(folder / "Update"));
}

TEST_F(UpdaterHttps, RefusedListsAndFilesChangeNothing) {
    const fs::path outside = base / "outside";
    const struct Case {
        const char* name;
        std::function<void(UpdaterHttps&)> setUp;
        const char* message;
        std::string ca = "";
    } cases[] = {
        {"list changed after signing",
         [](UpdaterHttps& t) {
             t.Publish(t.Line("x", "x", "new x"), {{"x", "new x"}});
             WriteFile(base / "www/update/filelist", t.Line("x", "x", "evil x"));
         },
         "The update list could not be verified."},
        {"list signed by another key",
         [](UpdaterHttps& t) { t.Publish(t.Line("x", "x", "new x"), {{"x", "new x"}}, &otherKeys.privateKey); },
         "The update list could not be verified."},
        {"no signature",
         [](UpdaterHttps& t) {
             t.Publish(t.Line("x", "x", "new x"), {{"x", "new x"}});
             fs::remove(base / "www/update/filelist.sig");
         },
         "The update list could not be verified."},
        {"file changed on the server",
         [](UpdaterHttps& t) {
             t.Publish(t.Line("y", "y", "good y") + t.Line("x", "x", "new x"), {{"y", "good y"}, {"x", "evil x"}});
         },
         "There was an error downloading file"},
        {"file differs from its SHA-256",
         [](UpdaterHttps& t) {
             const std::string line = t.Line("x", "x", "new x");
             t.Publish(line.substr(0, line.size() - 2) + "|" + updatetest::OpensslSha256(base, "other") + "\r\n",
                       {{"x", "new x"}});
         },
         "There was an error downloading file"},
        {"file missing on the server",
         [](UpdaterHttps& t) { t.Publish(t.Line("x", "x", "new x")); }, "There was an error downloading file"},
        {"parent folder in the local path",
         [](UpdaterHttps& t) { t.Publish(t.Line("x", "../x", "new x"), {{"x", "new x"}}); },
         "The update list could not be read."},
        {"absolute local path",
         [](UpdaterHttps& t) { t.Publish(t.Line("x", "/tmp/lumaret-x", "new x"), {{"x", "new x"}}); },
         "The update list could not be read."},
        {"symbolic link leading out",
         [outside](UpdaterHttps& t) {
             fs::create_directories(outside);
             fs::create_directory_symlink(outside, t.folder / "plugins");
             t.Publish(t.Line("x", "plugins/x", "new x"), {{"x", "new x"}});
         },
         "The update list names a file outside the program folder."},
        {"staging folder leading out",
         [outside](UpdaterHttps& t) {
             fs::create_directories(outside);
             fs::create_directory_symlink(outside, t.folder / "Update");
             t.Publish(t.Line("x", "x", "new x"), {{"x", "new x"}});
         },
         "The update list names a file outside the program folder."},
        {"plain http server",
         [](UpdaterHttps& t) {
             t.Publish(t.Line("x", "x", "new x"), {{"x", "new x"}});
             t.url = plainServer->Url();
         },
         "There was a problem connecting to the server."},
        {"redirect to plain http",
         [](UpdaterHttps& t) {
             t.Publish(t.Line("x", "x", "new x"), {{"x", "new x"}});
             WriteFile(base / "www/update/filelist.redirect", plainServer->Url() + "update/filelist");
         },
         "There was a problem connecting to the server."},
        {"certificate not trusted",
         [](UpdaterHttps& t) { t.Publish(t.Line("x", "x", "new x"), {{"x", "new x"}}); },
         "There was a problem connecting to the server.", "/nonexistent-ca.pem"},
    };
    for (const Case& c : cases) {
        SetUp();
        fs::remove_all(outside);
        WriteFile(folder / "x", "old x");
        WriteFile(folder / "y", "old y");
        c.setUp(*this);
        view = RecordingView();
        const auto before = Snapshot(folder);
        const Run run = CheckAndDownload(false, c.ca);
        EXPECT_NE(run.download, DownloadOutcome::Downloaded) << c.name;
        EXPECT_TRUE(view.Said(c.message)) << c.name << ": " << ::testing::PrintToString(view.messages);
        EXPECT_EQ(Snapshot(folder), before) << c.name;
        EXPECT_TRUE(!fs::exists(outside) || fs::is_empty(outside)) << c.name;
        EXPECT_FALSE(session.updatesPending) << c.name;
        fs::remove(base / "www/update/filelist.redirect");
    }
}

TEST_F(UpdaterHttps, CancelEndsACheckStuckOnASilentServer) {
    // A socket that listens but never answers: the TLS handshake waits for ever.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);

    HttpsSettings https;
    https.baseUrl = "https://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";
    const auto http = MakeHttpsClient(https);
    UpdaterConfig config;
    config.folder = folder;
    config.publicKeyPem = ReadFile(keys.publicKey);
    CSettings settings(folder);
    CUpdater updater(config, settings, *http, prompt, &view, session);
    std::thread canceller([&] {
        // Cancel only once the request is under way (the check has said it is checking).
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        updater.Cancel();
    });
    const CheckOutcome outcome = updater.Check();
    canceller.join();
    ::close(listener);
    EXPECT_EQ(outcome, CheckOutcome::Cancelled);
    EXPECT_EQ(updater.State(), UpdaterState::Finished);
    EXPECT_FALSE(fs::exists(folder / "settings.xml"));
}

}  // namespace
