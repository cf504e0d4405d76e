#include "client/picture/picture_file.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <system_error>

#include "client/picture/parallel_for.h"
#include "client/picture/picture_encoders.h"

namespace zel::picture {

namespace {

// Fewer, larger writes; the encoders write row by row.
constexpr size_t kStreamBufferSize = 1 << 20;

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, CloseFile>;

std::string Reason(int error) { return std::error_code(error, std::generic_category()).message(); }

bool Encode(const BgraPicture& picture, PictureFormat format, bool opaque, std::FILE* file) {
  switch (format) {
    case PictureFormat::kPng:
      return EncodePng(picture, opaque, file);
    case PictureFormat::kPpm:
      return EncodeNetpbm(picture, opaque, file);
    case PictureFormat::kBmp:
      return EncodeBmp(picture, opaque, file);
  }
  return false;
}

}  // namespace

void WritePictureFile(const BgraPicture& picture, PictureFormat format, const std::string& path,
                      ExistingFile existing) {
  if (picture.width <= 0 || picture.height <= 0 || picture.pixels == nullptr) {
    throw std::runtime_error("Cannot write an empty picture to " + path);
  }
  // "x": created only when no file of that name exists, in one step, so that two writers (or
  // another program) can never both take the name.
  FilePtr file(std::fopen(path.c_str(), existing == ExistingFile::kRefuse ? "wbx" : "wb"));
  if (!file) throw std::runtime_error("Cannot create " + path + ": " + Reason(errno));
  std::setvbuf(file.get(), nullptr, _IOFBF, kStreamBufferSize);

  const bool encoded = Encode(picture, format, IsOpaque(picture), file.get());
  const int writeError = errno;
  const bool closed = std::fclose(file.release()) == 0;
  if (!encoded || !closed) {
    std::remove(path.c_str());
    throw std::runtime_error("Cannot write " + path + ": " + Reason(encoded ? errno : writeError));
  }
}

void WritePictureFiles(const std::vector<PictureFileJob>& jobs, PictureFormat format,
                       ExistingFile existing) {
  ParallelFor(jobs.size(),
              [&](size_t i) { WritePictureFile(jobs[i].picture, format, jobs[i].path, existing); });
}

}  // namespace zel::picture
