// File access shared by the developer tools: reading a whole input file, naming it, writing their
// text tables, and their private temporary folders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace zel {

enum class ReadStatus { kRead, kCannotOpen, kBadSize, kCannotRead };

// Reads the whole file with one read. A file above 2147483647 bytes, or one whose size cannot be
// queried, is kBadSize; an empty file is read as no bytes.
ReadStatus ReadWholeFile(const std::u16string& path, std::vector<uint8_t>& bytes);

// The characters after the last backslash or slash of `path`: the whole path when it has neither,
// empty when it ends in one.
std::u16string FileNamePart(const std::u16string& path);

// `name` in the system's temporary folder, e.g. "/tmp/zelHost_convert".
std::u16string ToolTempFolder(const std::u16string& name);

// "frame_007.png": the index printed with at least three digits.
std::u16string NumberedPngName(const std::u16string& prefix, int32_t index);

// A text file written line by line, replacing an existing one. Unlike a stream, it reports a file
// that cannot be created or written (CWinException "veskFiles.CannotOpenFile" or
// "veskFiles.CannotWriteFile"), so a run never ends looking successful without its tables.
class TextFile {
 public:
  explicit TextFile(const std::u16string& path);
  void Write(const std::string& text);
  void Close() { file_.Close(); }

 private:
  platform::FileHandle file_;
};

}  // namespace zel
