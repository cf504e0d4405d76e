#include "imaging/frame_reader.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <utility>

#include "imaging/magick_compat.h"
#include "imaging/magick_guards.h"
#include "imaging/named_image.h"
#include "imaging/srgb_frame.h"

namespace zel {
namespace {

bool HasPixels(const Magick::Image& image) { return image.columns() != 0 && image.rows() != 0; }

std::vector<Magick::Image> ReadAllFrames(const Magick::Blob& blob, const std::u16string& name,
                                         const std::string& jpegSize) {
  Magick::ReadOptions options;
  options.quiet(true);
  MagickCore::ImageInfo* info = options.imageInfo();
  if (!jpegSize.empty()) MagickCore::SetImageOption(info, "jpeg:size", jpegSize.c_str());
  MagickCore::CopyMagickString(info->filename, FileNameHint(name).c_str(), magick::kPathExtent);

  magick::ExceptionGuard exception = magick::AcquireException();
  magick::ImageListGuard list(
      MagickCore::BlobToImage(info, blob.data(), blob.length(), exception.get()));
  std::vector<Magick::Image> frames;
  frames.reserve(MagickCore::GetImageListLength(list.get()));
  while (list) {
    MagickCore::Image* head = list.release();
    MagickCore::Image* frame = MagickCore::RemoveFirstImageFromList(&head);
    list.reset(head);
    frames.emplace_back(frame);
  }
  magick::ThrowCollected(std::move(exception), options.quiet());
  if (frames.empty() || !std::all_of(frames.begin(), frames.end(), HasPixels)) {
    throw std::range_error("No image");
  }
  return frames;
}

// Some decoders give up without a word and leave an image of no size (a PNG wider than the
// library's limit): that is a failure, not a picture of nothing.
Magick::Image ReadFirstFrame(const Magick::Blob& blob, const std::u16string& name) {
  Magick::Image image = CreateNamedImage(name);
  image.subRange(1);
  image.read(blob);
  if (!HasPixels(image)) throw std::range_error("No image");
  return image;
}

}  // namespace

std::vector<Magick::Image> ReadFrames(const void* data, size_t size, const std::u16string& name,
                                      const std::string& jpegSize) {
  const Magick::Blob blob(data, size);
  std::vector<Magick::Image> frames;
  try {
    frames = ReadAllFrames(blob, name, jpegSize);
  } catch (const std::exception&) {
    // A damaged later frame must not cost the first one: read just that, as a still image.
    frames.assign(1, ReadFirstFrame(blob, name));
  }
  for (Magick::Image& frame : frames) ConvertToSrgb(frame);
  return frames;
}

}  // namespace zel
