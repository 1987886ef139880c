#include "services/SaveFile.h"

#include "ChildProcess.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::vector<unsigned char> kOldContent = {'o', 'l', 'd', '\n'};

SaveContentWriter WritesText(std::string text) {
  return [text](CFileSink& sink) { sink.Write(text); };
}

SaveContentWriter WritesBytes(size_t count) {
  return [count](CFileSink& sink) {
    std::vector<unsigned char> block(4096, 'x');
    for (size_t done = 0; done < count; done += block.size())
      sink.Write(block.data(), std::min(block.size(), count - done));
  };
}

std::string TextOf(const std::vector<unsigned char>& bytes) { return std::string(bytes.begin(), bytes.end()); }

mode_t ModeOf(const std::string& path) {
  struct stat status {};
  EXPECT_EQ(stat(path.c_str(), &status), 0) << path;
  return status.st_mode & 07777;
}

TEST(SaveFile, CreatesANewFileWithTheUsualPermissions) {
  CTempDir dir;
  const mode_t previousMask = umask(022);
  const CSaveResult result = SaveFile(dir.File("new.txt"), WritesText("hello\n"));
  umask(previousMask);
  ASSERT_TRUE(result) << result.reason;
  EXPECT_EQ(TextOf(ReadFileBytes(dir.File("new.txt"))), "hello\n");
  EXPECT_EQ(ModeOf(dir.File("new.txt")), 0644u);
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"new.txt"});
}

TEST(SaveFile, ReplacesAnExistingFileAndKeepsItsPermissionBits) {
  CTempDir dir;
  const std::string path = dir.File("scene.txt");
  WriteFileBytes(path, kOldContent);
  ASSERT_EQ(chmod(path.c_str(), 0751), 0);
  const CSaveResult result = SaveFile(path, WritesBytes(300000));
  ASSERT_TRUE(result) << result.reason;
  EXPECT_EQ(ReadFileBytes(path), std::vector<unsigned char>(300000, 'x'));
  EXPECT_EQ(ModeOf(path), 0751u);
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"scene.txt"});
}

TEST(SaveFile, WritesThroughSymbolicLinksAndKeepsThem) {
  CTempDir dir;
  ASSERT_EQ(mkdir(dir.File("real").c_str(), 0755), 0);
  WriteFileBytes(dir.File("real/target.txt"), kOldContent);
  ASSERT_EQ(symlink("real/target.txt", dir.File("relative").c_str()), 0);
  ASSERT_EQ(symlink(dir.File("relative").c_str(), dir.File("chain").c_str()), 0);
  ASSERT_EQ(symlink("real/missing.txt", dir.File("dangling").c_str()), 0);

  ASSERT_TRUE(SaveFile(dir.File("chain"), WritesText("through\n")));
  ASSERT_TRUE(SaveFile(dir.File("dangling"), WritesText("created\n")));

  struct stat status {};
  ASSERT_EQ(lstat(dir.File("chain").c_str(), &status), 0);
  EXPECT_TRUE(S_ISLNK(status.st_mode));
  ASSERT_EQ(lstat(dir.File("relative").c_str(), &status), 0);
  EXPECT_TRUE(S_ISLNK(status.st_mode));
  EXPECT_EQ(TextOf(ReadFileBytes(dir.File("real/target.txt"))), "through\n");
  EXPECT_EQ(TextOf(ReadFileBytes(dir.File("real/missing.txt"))), "created\n");
  EXPECT_EQ(FolderEntries(dir.File("real")), (std::vector<std::string>{"missing.txt", "target.txt"}));
}

TEST(SaveFile, RefusesWhatIsNotARegularFile) {
  CTempDir dir;
  ASSERT_EQ(mkdir(dir.File("folder").c_str(), 0755), 0);
  const CSaveResult result = SaveFile(dir.File("folder"), WritesText("x"));
  EXPECT_FALSE(result);
  EXPECT_NE(result.reason.find("not a regular file"), std::string::npos) << result.reason;
  EXPECT_FALSE(SaveFile("/dev/null", WritesText("x")));
  EXPECT_FALSE(SaveFile("", WritesText("x")));
}

TEST(SaveFile, AWriterThatFailsLeavesThePreviousFile) {
  CTempDir dir;
  const std::string path = dir.File("data.txt");
  WriteFileBytes(path, kOldContent);
  const CSaveResult result = SaveFile(path, [](CFileSink& sink) {
    sink.Write("partial");
    sink.Fail("the scene is incomplete");
  });
  EXPECT_FALSE(result);
  EXPECT_NE(result.reason.find("the scene is incomplete"), std::string::npos) << result.reason;
  EXPECT_EQ(ReadFileBytes(path), kOldContent);
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"data.txt"});
}

// A file-size limit makes every write past it fail, as a full disk does.
TEST(SaveFile, AFailedWriteLeavesThePreviousFileByteForByte) {
  CTempDir dir;
  const std::string path = dir.File("data.txt");
  WriteFileBytes(path, kOldContent);
  const int status = RunInChild([&] {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{100000, 100000};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
    const CSaveResult result = SaveFile(path, WritesBytes(1 << 20));
    return !result && !result.previousFileDamaged && result.reason.find("cannot write") != std::string::npos ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFileBytes(path), kOldContent);
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"data.txt"});
}

TEST(SaveFile, AFullDiskLeavesThePreviousFileByteForByte) {
  CTempDir dir;
  const std::string disk = dir.File("disk");
  ASSERT_EQ(mkdir(disk.c_str(), 0755), 0);
  const std::string path = disk + "/data.txt";
  // 0: checked; 3: mounts are not possible here.
  const int status = RunInChild([&] {
    if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
      return 3;
    WriteFileBytes(path, kOldContent);
    const CSaveResult result = SaveFile(path, WritesBytes(1 << 20));
    if (result || ReadFileBytes(path) != kOldContent || FolderEntries(disk) != std::vector<std::string>{"data.txt"})
      return 1;
    return result.reason.find("No space left") != std::string::npos ? 0 : 4;
  });
  if (status == 3) GTEST_SKIP() << "no private tmpfs can be mounted here";
  EXPECT_EQ(status, 0);
}

// The folder takes no new file, but the file itself is writable.
class ReadOnlyFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
    WriteFileBytes(path, kOldContent);
    ASSERT_EQ(chmod(path.c_str(), 0666), 0);
    if (geteuid() == 0) {
      ASSERT_EQ(chown(dir.Path().c_str(), 65534, 65534), 0);
      ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(chmod(dir.Path().c_str(), 0555), 0);
  }
  void TearDown() override { chmod(dir.Path().c_str(), 0755); }

  CTempDir dir;
  std::string path = dir.File("data.txt");
};

TEST_F(ReadOnlyFolder, AWritableFileIsWrittenInPlace) {
  const int status = RunInChild([&] {
    if (!DropPrivileges()) return 2;
    return SaveFile(path, WritesText("new content\n")) ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(TextOf(ReadFileBytes(path)), "new content\n");
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"data.txt"});
}

TEST_F(ReadOnlyFolder, AFailedInPlaceWriteSaysThatTheOldFileIsDamaged) {
  const int status = RunInChild([&] {
    if (!DropPrivileges()) return 2;
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{2, 2};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
    const CSaveResult result = SaveFile(path, WritesText("new content\n"));
    return !result && result.previousFileDamaged && result.reason.find("previous content is lost") != std::string::npos
               ? 0
               : 1;
  });
  EXPECT_EQ(status, 0);
}

TEST_F(ReadOnlyFolder, AReadOnlyFileIsRefusedAndKept) {
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  const int status = RunInChild([&] {
    if (!DropPrivileges()) return 2;
    const CSaveResult result = SaveFile(path, WritesText("new content\n"));
    return !result && result.couldNotOpen ? 0 : 1;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadFileBytes(path), kOldContent);
}

}  // namespace

namespace {

TEST(StagedFile, NothingChangesUntilCommitAndUncommittedStagesVanish) {
  CTempDir dir;
  const std::string first = dir.File("a.txt"), second = dir.File("b.txt");
  WriteFileBytes(first, kOldContent);
  {
    CStagedFile a, b;
    ASSERT_TRUE(a.Stage(first, WritesText("new a\n")));
    ASSERT_TRUE(b.Stage(second, WritesText("new b\n")));
    EXPECT_EQ(ReadFileBytes(first), kOldContent);
    EXPECT_TRUE(a.Commit());
    EXPECT_TRUE(b.Commit());
  }
  EXPECT_EQ(TextOf(ReadFileBytes(first)), "new a\n");
  EXPECT_EQ(TextOf(ReadFileBytes(second)), "new b\n");
  {
    CStagedFile staged;
    ASSERT_TRUE(staged.Stage(first, WritesText("never\n")));
    CStagedFile failing;
    EXPECT_FALSE(failing.Stage(dir.File("missing/c.txt"), WritesText("x")));
  }  // not committed: removed
  EXPECT_EQ(TextOf(ReadFileBytes(first)), "new a\n");
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"a.txt", "b.txt"}));
}

}  // namespace

namespace {

// A file name of 255 bytes is the longest most file systems take; the temporary beside it must
// not make it longer.
TEST(SaveFile, NamesUpTo255BytesSaveNewAndOver) {
  CTempDir dir;
  for (size_t length : {240u, 250u, 255u}) {
    const std::string path = dir.File(std::string(length - 4, 'n') + ".txt");
    const CSaveResult created = SaveFile(path, WritesText("first\n"));
    ASSERT_TRUE(created) << length << ": " << created.reason;
    const CSaveResult replaced = SaveFile(path, WritesText("second\n"));
    ASSERT_TRUE(replaced) << length << ": " << replaced.reason;
    EXPECT_EQ(TextOf(ReadFileBytes(path)), "second\n") << length;
    const CSaveResult together = SaveFilesTogether({{path, "third\n"}, {dir.File(std::to_string(length)), "x"}});
    ASSERT_TRUE(together) << length << ": " << together.reason;
    EXPECT_EQ(TextOf(ReadFileBytes(path)), "third\n") << length;
  }
  EXPECT_EQ(FolderEntries(dir.Path()).size(), 6u);
}

// Four files, the last in a sticky folder where it belongs to root: when the program runs as
// another user, that rename fails after the first three files are in place. Each of them must
// go back to what it was: a file of the user's own (kept by a second link), root's file in an
// ordinary folder (which the user may replace but not link, so it is kept by a copy) and a file
// that did not exist.
TEST(SaveFilesTogether, ARenameThatFailsPartWayPutsEveryFileBack) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give the files to two users";
  CTempDir dir;
  ASSERT_EQ(chmod(dir.Path().c_str(), 0755), 0);
  const std::string open = dir.File("open"), sticky = dir.File("sticky");
  ASSERT_EQ(mkdir(open.c_str(), 0777), 0);
  ASSERT_EQ(mkdir(sticky.c_str(), 0777), 0);
  ASSERT_EQ(chmod(open.c_str(), 0777), 0);
  ASSERT_EQ(chmod(sticky.c_str(), 01777), 0);
  const std::string mine = open + "/mine.txt", roots = open + "/roots.txt", fresh = open + "/new.txt",
                    theirs = sticky + "/theirs.txt";
  WriteFileBytes(mine, {'m', 'i', 'n', 'e'});
  ASSERT_EQ(chown(mine.c_str(), 65534, 65534), 0);
  WriteFileBytes(roots, {'r', 'o', 'o', 't'});
  WriteFileBytes(theirs, kOldContent);
  ASSERT_EQ(chmod(roots.c_str(), 0644), 0);
  ASSERT_EQ(chmod(theirs.c_str(), 0666), 0);

  const int status = RunInChild([&] {
    if (!DropPrivileges()) return 2;
    const CSaveResult result =
        SaveFilesTogether({{mine, "new mine"}, {roots, "new root"}, {fresh, "new"}, {theirs, "new theirs"}});
    if (result) return 1;
    return result.reason == "cannot replace " + theirs + ": Operation not permitted" ? 0 : 3;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(TextOf(ReadFileBytes(mine)), "mine");
  EXPECT_EQ(TextOf(ReadFileBytes(roots)), "root");
  EXPECT_EQ(ModeOf(roots), 0644u);
  EXPECT_EQ(ReadFileBytes(theirs), kOldContent);
  EXPECT_EQ(FolderEntries(open), (std::vector<std::string>{"mine.txt", "roots.txt"}));
  EXPECT_EQ(FolderEntries(sticky), std::vector<std::string>{"theirs.txt"});
}

TEST(SaveFilesTogether, OneFileNamedTwiceIsRefused) {
  CTempDir dir;
  WriteFileBytes(dir.File("scene.txt"), kOldContent);
  ASSERT_EQ(symlink("scene.txt", dir.File("alias.txt").c_str()), 0);
  const CSaveResult result = SaveFilesTogether({{dir.File("scene.txt"), "one"}, {dir.File("alias.txt"), "two"}});
  EXPECT_FALSE(result);
  EXPECT_EQ(result.reason, dir.File("alias.txt") + " is the same file as " + dir.File("scene.txt"));
  EXPECT_EQ(ReadFileBytes(dir.File("scene.txt")), kOldContent);
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"alias.txt", "scene.txt"}));
}

}  // namespace
