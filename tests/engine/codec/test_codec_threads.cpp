// The opened file is remembered per thread, and released when the thread ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <barrier>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "codec/codeclock.h"
#include "codec/jpegcodec.h"
#include "codec_test_util.h"

using namespace codectest;

namespace {

// Both threads open before either reads; another thread never sees this thread's file.
TEST(CodecThreads, EachThreadReadsTheFileItOpened) {
    ScratchDir dir;
    const std::string paths[2] = {dir.File("a.jpg"), dir.File("b.jpg")};
    const std::vector<uint8_t> jpegs[2] = {EncodeJpeg(MakePhotoLike(120, 80, 1)),
                                           EncodeJpeg(MakePhotoLike(64, 96, 2), {90, JCS_YCbCr, 1, 1, true})};
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(WriteFileBytes(paths[i], jpegs[i]));
    std::barrier bothOpened(2);
    CodecDecode results[2];
    auto work = [&](int i) {
        CodecDecode& d = results[i];
        d.info = getJPEGFileInfo(paths[i].c_str(), &d.width, &d.height, &d.components);
        bothOpened.arrive_and_wait();
        d.outWidth = d.width;
        d.outHeight = d.height;
        d.stride = (static_cast<size_t>(d.width) * 3 + 3) & ~size_t{3};
        d.buffer.assign(d.stride * d.height + kGuardBytes, kSentinel);
        d.result = readJPEGfile(d.buffer.data(), 1);
    };
    std::thread first(work, 0), second(work, 1);
    first.join();
    second.join();
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(results[i].result, kJpegReadOk);
        EXPECT_EQ(CountDifferences(results[i], DecodeJpeg(jpegs[i])), 0);
        EXPECT_TRUE(results[i].GuardIntact());
    }

    ASSERT_NE(getJPEGFileInfo(paths[0].c_str(), nullptr, nullptr, nullptr), 0);
    std::vector<uint8_t> dest(364 * 80, kSentinel);
    int otherResult = -1;
    std::thread([&] { otherResult = readJPEGfile(dest.data(), 1); }).join();
    EXPECT_EQ(otherResult, kJpegReadFailed);
    EXPECT_EQ(std::count(dest.begin(), dest.end(), kSentinel), static_cast<long>(dest.size()));
    EXPECT_EQ(readJPEGfile(dest.data(), 1), kJpegReadOk);  // still pending here
}

TEST(CodecThreads, ThreadEndingWithAnOpenedFileReleasesIt) {
    ScratchDir dir;
    const std::string path = dir.File("left.jpg");
    ASSERT_TRUE(WriteFileBytes(path, EncodeJpeg(MakePhotoLike(30, 20, 4))));
    auto descriptors = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator());
    };
    const auto before = descriptors();
    for (int i = 0; i < 5; ++i) {
        int opened = 0;
        std::thread([&] { opened = getJPEGFileInfo(path.c_str(), nullptr, nullptr, nullptr); }).join();
        ASSERT_NE(opened, 0);
    }
    EXPECT_EQ(descriptors(), before);
}

// Workers decode many files at once the way the thumbnail maker does, under the codec lock.
TEST(CodecThreads, ConcurrentDecodesUnderTheCodecLock) {
    ScratchDir dir;
    constexpr int kFiles = 6;
    std::vector<std::string> paths;
    std::vector<Picture> references;
    for (int i = 0; i < kFiles; ++i) {
        const std::vector<uint8_t> jpeg = EncodeJpeg(MakePhotoLike(50 + 13 * i, 40 + 7 * i, 100 + i));
        paths.push_back(dir.File(std::to_string(i) + "-thread.jpg"));
        ASSERT_TRUE(WriteFileBytes(paths.back(), jpeg));
        references.push_back(DecodeJpeg(jpeg, 2));
    }
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w) {
        workers.emplace_back([&, w] {
            for (int round = 0; round < 3 * kFiles; ++round) {
                const int file = (round + w) % kFiles;
                CodecDecode d;
                {
                    std::lock_guard<std::mutex> guard(CodecLock());
                    d = DecodeWithCodec(paths[file], 2);
                }
                if (d.result != kJpegReadOk || CountDifferences(d, references[file]) != 0) ++mismatches[w];
            }
        });
    }
    for (auto& t : workers) t.join();
    for (int w = 0; w < 4; ++w) EXPECT_EQ(mismatches[w], 0) << "worker " << w;
}

}  // namespace
