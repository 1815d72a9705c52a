// The command line flags and the single-instance lock.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "editor/commandline.h"
#include "platform/instancelock.h"
#include "tempdir.h"

TEST(CommandLineTest, FlagsInAnyCaseWithDashOrSlashAndTheLastPath) {
    CLumaretCommandLineInfo wia;
    wia.Parse({"-WIA"});
    EXPECT_TRUE(wia.cameraFlag && wia.deviceStartFlag && wia.deviceFlag);
    EXPECT_TRUE(wia.fileName.empty());

    CLumaretCommandLineInfo card;
    card.Parse({"/a", "/media/card"});
    EXPECT_TRUE(card.deviceStartFlag && card.deviceFlag);
    EXPECT_FALSE(card.cameraFlag);
    EXPECT_EQ(card.fileName, "/media/card");

    CLumaretCommandLineInfo install;
    install.Parse({"-Install", "first", "-x", "second"});
    EXPECT_TRUE(install.installFlag);
    EXPECT_FALSE(install.deviceStartFlag);
    EXPECT_EQ(install.fileName, "second");  // a later path replaces an earlier one

    CLumaretCommandLineInfo watch;
    watch.Parse({"--camera-watch"});
    EXPECT_TRUE(watch.cameraWatch);
}

TEST(InstanceLockTest, ASecondHolderIsRefusedUntilTheFirstEnds) {
    const testsupport::TempDir dir("lock");
    const std::string path = dir.File("lumaret.lock");
    {
        CInstanceLock first(path);
        ASSERT_TRUE(first.Acquired());
        // Another process (as a second copy of the program would be) cannot take it.
        const pid_t child = fork();
        if (child == 0) _exit(CInstanceLock(path).Acquired() ? 1 : 0);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    CInstanceLock again(path);
    EXPECT_TRUE(again.Acquired());
    EXPECT_FALSE(CInstanceLock("/nonexistent-folder/x.lock").Acquired());
}
