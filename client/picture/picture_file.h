// Saving pictures as files: one at a time, or several at once on the machine's cores.
#pragma once

#include <string>
#include <vector>

#include "client/picture/bgra_picture.h"
#include "client/picture/picture_format.h"

namespace zel::picture {

enum class ExistingFile {
  kReplace,  // an existing file of that name is overwritten
  kRefuse,   // an existing file of that name is left alone and the write fails
};

// Writes `picture` to `path`; an opaque picture is stored without alpha. A failed write removes
// what it had written and throws std::runtime_error naming the path and the reason.
void WritePictureFile(const BgraPicture& picture, PictureFormat format, const std::string& path,
                      ExistingFile existing = ExistingFile::kReplace);

struct PictureFileJob {
  BgraPicture picture;
  std::string path;
};

// Writes every job's picture, several at once; returns when all are done and then rethrows the
// first failure, if any (the other files are written all the same).
void WritePictureFiles(const std::vector<PictureFileJob>& jobs, PictureFormat format,
                       ExistingFile existing = ExistingFile::kReplace);

}  // namespace zel::picture
