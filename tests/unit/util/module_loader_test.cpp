#include "util/module_loader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/last_error.h"
#include "platform/system_library.h"
#include "tests/support/temp_folder.h"
#include "util/exceptions.h"
#include "util/strings.h"

namespace {

namespace fs = std::filesystem;
using vesku::CLibrary;
using vesku::LoadSystemLibrary;

TEST(LoadSystemLibrary, RefusesEverythingButABareName) {
  for (const char16_t* name :
       {static_cast<const char16_t*>(nullptr), u"", u"C:\\Windows\\libc.so.6", u"lib\\libc.so.6",
        u"/usr/lib/x86_64-linux-gnu/libc.so.6", u"./libc.so.6", u"C:libc.so.6", u"libc.so.6:x"}) {
    zel::platform::SetLastError(0);
    EXPECT_EQ(LoadSystemLibrary(name, 0), nullptr) << (name ? vesku::ToUtf8(name) : "null");
    EXPECT_EQ(zel::platform::LastError(), 87);
  }
}

TEST(LoadSystemLibrary, FindsSystemLibrariesByBareName) {
  vesku::ModuleHandle libc = LoadSystemLibrary(u"libc.so.6", 0);
  ASSERT_NE(libc, nullptr);
  std::string path;
  ASSERT_EQ(0, zel::platform::ModuleFileName(libc, path));
  EXPECT_EQ(path.front(), '/');
  EXPECT_TRUE(path.ends_with("/libc.so.6"));
  zel::platform::CloseLibrary(libc);
}

// A file of the same name in the current folder or next to the program must never be loaded.
TEST(LoadSystemLibrary, IgnoresTheCurrentAndTheProgramFolder) {
  // Named after the process: another run of this suite plants in the same program folder.
  const std::string planted = "libzelplanted" + std::to_string(::getpid()) + ".so.1";
  const fs::path source = "/usr/lib/x86_64-linux-gnu/libz.so.1";
  if (!fs::exists(source)) GTEST_SKIP() << "no library to plant";
  std::string program;
  ASSERT_EQ(0, zel::platform::ModuleFileName(nullptr, program));
  const fs::path programFolder = fs::path(program).parent_path();
  const zel_test::TempFolder scratchFolder;
  const fs::path& scratch = scratchFolder.path();
  const fs::path oldCurrent = fs::current_path();
  for (const fs::path& folder : {scratch, programFolder}) {
    fs::copy_file(source, folder / planted, fs::copy_options::overwrite_existing);
  }
  fs::current_path(scratch);
  zel::platform::SetLastError(0);
  vesku::ModuleHandle module = LoadSystemLibrary(vesku::ToWide(planted).c_str(), 0);
  fs::current_path(oldCurrent);
  fs::remove(programFolder / planted);
  EXPECT_EQ(module, nullptr);
  zel::platform::CloseLibrary(module);
}

TEST(CLibrary, MissingLibraryReportsItsNameAndCode126) {
  try {
    CLibrary library(u"libzel-d\u00e9j\u00e0-absent.so.1");
    FAIL() << "loaded a library that does not exist";
  } catch (const vesku::CWinException& e) {
    EXPECT_STREQ(e.what(), "Dll not found: libzel-d\xc3\xa9j\xc3\xa0-absent.so.1");
    EXPECT_EQ(e.code(), 126);
    EXPECT_EQ(zel::platform::LastError(), 126);
  }
  try {
    CLibrary library(u"sub/libc.so.6");
    FAIL() << "loaded a library by path";
  } catch (const vesku::CWinException& e) {
    EXPECT_STREQ(e.what(), "Dll not found: sub/libc.so.6");
    EXPECT_EQ(e.code(), 87);
  }
}

TEST(CLibrary, ResolvesExportsAndNamesMissingOnes) {
  CLibrary libc(u"libc.so.6");
  using StrLen = size_t (*)(const char*);
  EXPECT_EQ(libc.GetFunctionAs<StrLen>("strlen")("four"), 4u);
  try {
    libc.GetFunction("zel_no_such_function");
    FAIL() << "found a function that does not exist";
  } catch (const vesku::CWinException& e) {
    EXPECT_STREQ(e.what(), "Function not found: zel_no_such_function");
    EXPECT_EQ(e.code(), 127);
  }
}

}  // namespace
