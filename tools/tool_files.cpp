#include "tools/tool_files.h"

#include <limits>
#include <string>

#include "platform/path.h"
#include "platform/temp_path.h"
#include "util/exceptions.h"
#include "util/strings.h"

namespace zel {

ReadStatus ReadWholeFile(const std::u16string& path, std::vector<uint8_t>& bytes) {
  platform::FileHandle file;
  if (platform::OpenForReading(path, file) != 0) return ReadStatus::kCannotOpen;
  int64_t size = 0;
  if (platform::GetFileSize(file, size) != 0 || size < 0 ||
      size > std::numeric_limits<int32_t>::max()) {
    return ReadStatus::kBadSize;
  }
  bytes.resize(static_cast<size_t>(size));
  uint32_t read = 0;
  if (platform::ReadFile(file, bytes.data(), static_cast<uint32_t>(size), read) != 0 ||
      read != size) {
    return ReadStatus::kCannotRead;
  }
  return ReadStatus::kRead;
}

std::u16string FileNamePart(const std::u16string& path) {
  const size_t separator = path.find_last_of(u"\\/");
  return separator == std::u16string::npos ? path : path.substr(separator + 1);
}

std::u16string ToolTempFolder(const std::u16string& name) {
  return vesku::WithTrailingSeparator(platform::TemporaryPath(), platform::kPathSeparator) + name;
}

std::u16string NumberedPngName(const std::u16string& prefix, int32_t index) {
  std::string digits = std::to_string(index);
  if (index >= 0 && digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return prefix + u"_" + vesku::ToWide(digits) + u".png";
}

TextFile::TextFile(const std::u16string& path) {
  if (const int32_t error = platform::CreateFileForWriting(path, file_); error != 0) {
    throw vesku::CWinException("veskFiles.CannotOpenFile", error);
  }
}

void TextFile::Write(const std::string& text) {
  uint32_t written = 0;
  if (const int32_t error =
          platform::WriteFile(file_, text.data(), static_cast<uint32_t>(text.size()), written);
      error != 0) {
    throw vesku::CWinException("veskFiles.CannotWriteFile", error);
  }
  if (written != text.size()) {
    throw std::runtime_error("veskFiles.CannotWriteFile.WriteNotCompleted");
  }
}

}  // namespace zel
