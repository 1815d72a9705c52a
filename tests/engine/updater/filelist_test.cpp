// The update list parser, version packing, path confinement and the keyed fingerprint.
#include <gtest/gtest.h>

#include <filesystem>

#include "tempdir.h"
#include "update_server.h"
#include "updater/crypto.h"
#include "updater/filelist.h"

namespace {

namespace fs = std::filesystem;
using namespace updater;

const std::string kFp = "0123456789abcdef0123456789ABCDEF";

TEST(FileList, ParsesEntriesAcrossLineEndingsAndTrimsFields) {
    const std::string text = "# comment\r\n\r\n  a.bin | data/a.bin | 2.3 | " + kFp + " | nodeffer  NoOverwrite \r" +
                             "b|lib\\b.so|7|" + kFp + "\n" + "#x|y|1.0|" + kFp + "\n" + "c|c|1.0|" + kFp + "||" +
                             std::string(64, 'A');
    ListError error;
    const auto entries = ParseFileList(text, error);
    ASSERT_TRUE(entries) << error.message;
    ASSERT_EQ(entries->size(), 3u);
    const FileListEntry& a = (*entries)[0];
    EXPECT_EQ(a.name, "a.bin");
    EXPECT_EQ(a.localPath, "data/a.bin");
    EXPECT_EQ(a.version, PackVersion(2, 3));
    EXPECT_EQ(a.fingerprint, "0123456789ABCDEF0123456789ABCDEF");
    EXPECT_EQ(a.flags, uint32_t(kNoDefer | kNoOverwrite));
    EXPECT_EQ((*entries)[1].localPath, "lib/b.so");
    EXPECT_EQ((*entries)[1].version, PackVersion(1, 7));  // no dot: major 1, minor = the number
    EXPECT_EQ((*entries)[1].flags, 0u);
    EXPECT_EQ((*entries)[2].sha256, std::string(64, 'a'));
    const auto none = ParseFileList("# nothing\n#to see\r\n", error);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->empty());
}

TEST(FileList, RefusesTheWholeListForOneBadLine) {
    const struct {
        const char* line;
        const char* why;
    } cases[] = {
        {"../x|x|1.0|FP", "name climbing out"},
        {"x|../settings.xml|1.0|FP", "local path climbing out"},
        {"x|data/../../y|1.0|FP", "local path climbing out inside"},
        {"x|/etc/passwd|1.0|FP", "absolute local path"},
        {"x|\\etc\\passwd|1.0|FP", "absolute path with backslashes"},
        {"x|a//b|1.0|FP", "empty path part"},
        {"x|./a|1.0|FP", "dot part"},
        {"|a|1.0|FP", "empty name"},
        {"x|a|1.0", "too few fields"},
        {"x|a|1.0|FP||SHA|extra", "too many fields"},
        {"x|a|1.0|0123", "short fingerprint"},
        {"x|a|1.0|0123456789abcdef0123456789abcdeg", "fingerprint with a non-hex digit"},
        {"x|a|1.0|FP||abc", "short SHA-256"},
    };
    for (const auto& c : cases) {
        std::string line = c.line;
        if (const size_t at = line.find("FP"); at != std::string::npos) line.replace(at, 2, kFp);
        if (const size_t at = line.find("SHA"); at != std::string::npos) line.replace(at, 3, std::string(64, '0'));
        ListError error;
        EXPECT_FALSE(ParseFileList("ok|ok|1.0|" + kFp + "\n" + line + "\n", error)) << c.why;
        EXPECT_NE(error.message.find("line 2"), std::string::npos) << c.why << ": " << error.message;
    }
}

TEST(FileList, VersionTextPacksAndRoundTrips) {
    EXPECT_EQ(ParseVersionText("2.5"), PackVersion(2, 5));
    EXPECT_EQ(ParseVersionText(" 3.10"), PackVersion(3, 10));
    EXPECT_EQ(ParseVersionText("12"), PackVersion(1, 12));
    EXPECT_EQ(ParseVersionText("x.y"), PackVersion(0, 0));
    EXPECT_EQ(VersionText(PackVersion(4, 65535)), "4.65535");
    EXPECT_GT(PackVersion(2, 0), PackVersion(1, 65535));

    const testsupport::TempDir scratch("updater-version");
    const fs::path folder = scratch / "prog";
    EXPECT_EQ(ReadProgramVersion(folder), PackVersion(1, 0));  // missing file
    updatetest::WriteFile(folder / "data/version.info", "7");
    EXPECT_EQ(ReadProgramVersion(folder), PackVersion(1, 0));  // no dot
    updatetest::WriteFile(folder / "data/version.info", std::string(70, ' ') + "9.9");
    EXPECT_EQ(ReadProgramVersion(folder), PackVersion(1, 0));  // only the first 64 bytes count
    std::string error;
    ASSERT_TRUE(WriteProgramVersion(folder, PackVersion(3, 4), error)) << error;
    EXPECT_EQ(updatetest::ReadFile(folder / "data/version.info"), "3.4");
    EXPECT_EQ(ReadProgramVersion(folder), PackVersion(3, 4));
}

TEST(FileList, SymbolicLinksLeadingOutAreNotInside) {
    const testsupport::TempDir dir("updater-confine");
    const fs::path& root = dir.Path();
    fs::create_directories(root / "prog/data");
    fs::create_directories(root / "elsewhere");
    fs::create_directory_symlink(root / "elsewhere", root / "prog/out");
    fs::create_directory_symlink(root / "prog/data", root / "prog/alias");
    fs::create_symlink(root / "elsewhere/file", root / "prog/data/link");

    EXPECT_TRUE(StaysInsideFolder(root / "prog", "data/new/file.txt"));
    EXPECT_TRUE(StaysInsideFolder(root / "prog", "alias/file"));
    EXPECT_FALSE(StaysInsideFolder(root / "prog", "out/file"));
    EXPECT_FALSE(StaysInsideFolder(root / "prog", "data/link"));
    EXPECT_FALSE(StaysInsideFolder(root / "prog/", "out"));
}

TEST(Fingerprint, MatchesOpensslForSeveralSizes) {
    const testsupport::TempDir dir("updater-fp");
    const fs::path& scratch = dir.Path();
    for (size_t size : {size_t(0), size_t(1), size_t(63), size_t(64), size_t(65), size_t(200000)}) {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + size) & 0xFF);
        updatetest::WriteFile(scratch / "f", bytes);
        EXPECT_EQ(FileFingerprint((scratch / "f").string()), updatetest::OpensslFingerprint(scratch, bytes)) << size;
        CFileDigest digest;
        ASSERT_TRUE(digest.Update({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}));
        ASSERT_TRUE(digest.Finish());
        EXPECT_EQ(digest.Sha256(), updatetest::OpensslSha256(scratch, bytes)) << size;
    }
    EXPECT_EQ(FileFingerprint((scratch / "missing").string()), "");
}

}  // namespace
