#include "util/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "tests/support/temp_folder.h"
#include "util/exceptions.h"

namespace {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(WriteWholeFile, CreatesReplacesAndEmpties) {
  zel_test::TempFolder folder;
  const auto path = folder.path() / "out.bin";
  const std::string first("first\0content", 13);
  vesku::WriteWholeFile(path.u16string(), first.data(), first.size());
  EXPECT_EQ(ReadAll(path), first);

  vesku::WriteWholeFile(path.u16string(), "2nd", 3);
  EXPECT_EQ(ReadAll(path), "2nd");

  vesku::WriteWholeFile(path.u16string(), nullptr, 0);
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST(WriteWholeFile, UnicodeNamesReachTheFileSystem) {
  zel_test::TempFolder folder;
  vesku::WriteWholeFile(folder.wide() + u"/\u00e9t\u00e9 \u65e5.txt", "x", 1);
  EXPECT_EQ(ReadAll(folder.path() / "\xc3\xa9t\xc3\xa9 \xe6\x97\xa5.txt"), "x");
}

TEST(WriteWholeFile, ReportsWhatWentWrong) {
  zel_test::TempFolder folder;
  try {
    vesku::WriteWholeFile(folder.wide() + u"/missing/out.bin", "x", 1);
    FAIL() << "no exception";
  } catch (const vesku::CWinException& e) {
    EXPECT_STREQ(e.what(), "veskFiles.CannotOpenFile");
    EXPECT_EQ(e.code(), ENOENT);
  }

  // A path with an embedded NUL names no file; it is refused instead of being cut short.
  const std::u16string withNul = folder.wide() + std::u16string(u"/a\0b", 4);
  EXPECT_THROW(vesku::WriteWholeFile(withNul, "x", 1), vesku::CWinException);
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "a"));

  const auto path = (folder.path() / "wrap.bin").u16string();
  const auto* nearEnd = reinterpret_cast<const void*>(UINTPTR_MAX - 3);
  try {
    vesku::WriteWholeFile(path, nearEnd, 8);
    FAIL() << "no exception";
  } catch (const vesku::CWinException&) {
    FAIL() << "wrong class";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "veskFiles.CannotWriteFile.InvalidArguments");
  }
  // The file was created before the arguments were looked at, and stays.
  EXPECT_TRUE(std::filesystem::exists(folder.path() / "wrap.bin"));
}

TEST(WriteWholeFile, FailedWriteCarriesTheSystemCode) {
  zel_test::TempFolder folder;
  // An unmapped source address makes the write call itself fail (EFAULT).
  const auto* unmapped = reinterpret_cast<const void*>(uintptr_t{16});
  try {
    vesku::WriteWholeFile((folder.path() / "fault.bin").u16string(), unmapped, 4);
    FAIL() << "no exception";
  } catch (const vesku::CWinException& e) {
    EXPECT_STREQ(e.what(), "veskFiles.CannotWriteFile");
    EXPECT_EQ(e.code(), EFAULT);
  }
}

}  // namespace
