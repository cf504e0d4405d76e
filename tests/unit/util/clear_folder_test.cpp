#include "util/clear_folder.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"
#include "util/dir_scanner.h"
#include "util/exceptions.h"

namespace {

namespace fs = std::filesystem;

void MakeFile(const fs::path& path, bool readOnly = false) {
  std::ofstream(path) << "data";
  if (readOnly)
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ClearFolderContents, EmptiesANestedTreeAndKeepsTheRoot) {
  zel_test::TempFolder temp;
  const fs::path root = temp.path() / "root";
  fs::create_directories(root / "a" / "b" / "c");
  fs::create_directories(root / "empty");
  MakeFile(root / "top.txt");
  MakeFile(root / "locked.txt", true);
  MakeFile(root / "a" / "one");
  MakeFile(root / "a" / "b" / "locked", true);
  MakeFile(root / "a" / "b" / "c" / "deep \xc3\xa9");

  vesku::ClearFolderContents(root.u16string());

  ASSERT_TRUE(fs::is_directory(root));
  EXPECT_TRUE(fs::is_empty(root)) << testing::PrintToString(Entries(root));
}

// Runs `work` as an ordinary user, for whom a folder's permissions really decide what can be
// listed and removed, and returns its result. As root, a forked child first becomes "nobody" and
// is given `folder`.
bool AsOrdinaryUser(const fs::path& folder, const std::function<bool()>& work) {
  if (geteuid() != 0) return work();
  const passwd* nobody = getpwnam("nobody");
  if (nobody == nullptr) {
    ADD_FAILURE() << "no user \"nobody\" to run as";
    return false;
  }
  const uid_t uid = nobody->pw_uid;
  const gid_t gid = nobody->pw_gid;
  if (chown(folder.c_str(), uid, gid) != 0) {
    ADD_FAILURE() << "cannot give the folder to nobody: " << std::strerror(errno);
    return false;
  }
  const pid_t child = fork();
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0) _exit(2);
    _exit(work() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "could not become nobody";
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(ClearFolderContents, AnOrdinaryUserEmptiesReadOnlyAndClosedSubfolders) {
  zel_test::TempFolder temp;
  const fs::path root = temp.path() / "root";
  const bool emptied = AsOrdinaryUser(temp.path(), [&root] {
    fs::create_directories(root / "read-only" / "inner");
    MakeFile(root / "read-only" / "file", true);
    MakeFile(root / "read-only" / "inner" / "deep");
    fs::create_directories(root / "closed");
    MakeFile(root / "closed" / "file");
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec;
    fs::permissions(root / "read-only" / "inner", readOnly);
    fs::permissions(root / "read-only", readOnly);
    fs::permissions(root / "closed", fs::perms::none);

    vesku::ClearFolderContents(root.u16string());
    return fs::is_directory(root) && fs::is_empty(root);
  });
  EXPECT_TRUE(emptied) << testing::PrintToString(Entries(root));
}

TEST(ClearFolderContents, LinksAreNeverFollowed) {
  zel_test::TempFolder temp;
  const fs::path root = temp.path() / "root";
  const fs::path outsideFolder = temp.path() / "outside";
  const fs::path outsideFile = temp.path() / "outside.txt";
  fs::create_directories(root / "sub");
  fs::create_directories(outsideFolder);
  MakeFile(outsideFolder / "keep.txt", true);
  MakeFile(outsideFile, true);
  fs::create_directory_symlink(outsideFolder, root / "folder-link");
  fs::create_symlink(outsideFile, root / "file-link");
  fs::create_symlink(outsideFile, root / "sub" / "nested-file-link");
  fs::create_symlink(temp.path() / "nowhere", root / "dangling");

  vesku::ClearFolderContents(root.u16string());

  // A link to a folder is neither entered nor deleted; links to files go, as links.
  EXPECT_EQ(Entries(root), std::vector<std::string>{"folder-link"});
  EXPECT_TRUE(fs::is_symlink(root / "folder-link"));
  EXPECT_EQ(Entries(outsideFolder), std::vector<std::string>{"keep.txt"});
  EXPECT_TRUE(fs::is_regular_file(outsideFile));
  // Their permissions are not touched either.
  EXPECT_EQ(fs::status(outsideFile).permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_EQ(fs::status(outsideFolder / "keep.txt").permissions() & fs::perms::owner_write,
            fs::perms::none);
}

TEST(ClearFolderContents, ARootThatIsALinkIsNotListedThroughIt) {
  zel_test::TempFolder temp;
  fs::create_directories(temp.path() / "target");
  MakeFile(temp.path() / "target" / "keep.txt");
  fs::create_directory_symlink(temp.path() / "target", temp.path() / "root");

  vesku::ClearFolderContents((temp.path() / "root").u16string());
  vesku::ClearFolderContents((temp.path() / "root").u16string() + u"/");

  EXPECT_TRUE(fs::exists(temp.path() / "target" / "keep.txt"));
}

TEST(ClearFolderContents, NothingToDoIsNotAnError) {
  zel_test::TempFolder temp;
  const fs::path missing = temp.path() / "missing";
  EXPECT_NO_THROW(vesku::ClearFolderContents(missing.u16string()));
  EXPECT_FALSE(fs::exists(missing));

  // A file given as the root cannot be listed; it stays.
  MakeFile(temp.path() / "file");
  EXPECT_NO_THROW(vesku::ClearFolderContents((temp.path() / "file").u16string()));
  EXPECT_TRUE(fs::is_regular_file(temp.path() / "file"));

  // An empty root must not be taken for the current (or the file system's root) folder.
  const fs::path previous = fs::current_path();
  fs::current_path(temp.path());
  vesku::ClearFolderContents(u"");
  fs::current_path(previous);
  EXPECT_TRUE(fs::is_regular_file(temp.path() / "file"));
}

TEST(ClearFolderContents, NamesThatAreNotUtf8AreRemovedToo) {
  zel_test::TempFolder temp;
  const fs::path root = temp.path() / "root";
  const fs::path sub = root / std::string("sub\xff");
  fs::create_directories(sub);
  for (const char* name : {"bad\xc3", "\xed\xa0\x80", "mixed \xc3\xa9\xc0\x80", "ok \xc3\xa9"}) {
    MakeFile(sub / std::string(name));
  }

  vesku::ClearFolderContents(root.u16string());

  EXPECT_TRUE(fs::is_empty(root)) << testing::PrintToString(Entries(root));
}

TEST(ClearFolderContents, DeepTreesNeedNoRecursion) {
  zel_test::TempFolder temp;
  const fs::path root = temp.path() / "root";
  fs::path deepest = root;
  for (int level = 0; level < 200; ++level) deepest /= "d";
  fs::create_directories(deepest);
  MakeFile(deepest / "leaf");

  vesku::ClearFolderContents(root.u16string());

  EXPECT_TRUE(fs::is_directory(root));
  EXPECT_TRUE(fs::is_empty(root));
}

// Records what the walk asks for instead of deleting anything.
class RecordingStrategy : public vesku::DirScannerStategy_t<13> {
 public:
  void RemoveFile(const std::u16string& path) { calls.push_back("file " + vesku::ToUtf8(path)); }
  void RemoveFolder(const std::u16string& path, bool isRoot) {
    calls.push_back((isRoot ? "root " : "folder ") + vesku::ToUtf8(path));
  }

  std::vector<std::string> calls;
};

size_t IndexOf(const std::vector<std::string>& calls, const std::string& call) {
  const auto found = std::find(calls.begin(), calls.end(), call);
  EXPECT_NE(found, calls.end()) << call;
  return static_cast<size_t>(found - calls.begin());
}

TEST(DirScanner, FinishesEachFolderAfterItsChildren) {
  zel_test::TempFolder temp;
  const std::string root = temp.path().string() + "/";
  fs::create_directories(temp.path() / "a" / "b");
  fs::create_directories(temp.path() / "c");
  MakeFile(temp.path() / "a" / "b" / "f1");
  MakeFile(temp.path() / "a" / "f2");
  MakeFile(temp.path() / "f3");

  vesku::CDirScanner<RecordingStrategy> scanner(temp.wide());
  EXPECT_EQ(vesku::ToUtf8(scanner.RootPath()), root);
  scanner.Scan();

  const auto& calls = scanner.calls;
  ASSERT_EQ(calls.size(), 7u) << testing::PrintToString(calls);
  EXPECT_EQ(calls.back(), "root " + root);
  EXPECT_LT(IndexOf(calls, "file " + root + "a/b/f1"), IndexOf(calls, "folder " + root + "a/b/"));
  EXPECT_LT(IndexOf(calls, "folder " + root + "a/b/"), IndexOf(calls, "folder " + root + "a/"));
  EXPECT_LT(IndexOf(calls, "file " + root + "a/f2"), IndexOf(calls, "folder " + root + "a/"));
  IndexOf(calls, "folder " + root + "c/");
  IndexOf(calls, "file " + root + "f3");
}

TEST(DirScanner, UnlistableRootFailsAndMissingRootEndsQuietly) {
  zel_test::TempFolder temp;
  MakeFile(temp.path() / "file");
  vesku::CDirScanner<RecordingStrategy> onFile((temp.path() / "file").u16string());
  try {
    onFile.Scan();
    FAIL() << "no exception";
  } catch (const vesku::CWinException& e) {
    EXPECT_EQ(std::string(e.what()), "Can't access: " + (temp.path() / "file").string() + "/");
    EXPECT_EQ(e.code(), ENOTDIR);
  }
  EXPECT_TRUE(onFile.calls.empty());

  vesku::CDirScanner<RecordingStrategy> missing((temp.path() / "missing").u16string());
  EXPECT_NO_THROW(missing.Scan());
  EXPECT_TRUE(missing.calls.empty());
}

}  // namespace
