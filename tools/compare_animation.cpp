#include "tools/compare_animation.h"

#include <Magick++.h>

#include <algorithm>
#include <iostream>
#include <limits>
#include <optional>
#include <sstream>

#include "imaging/magick_compat.h"
#include "tools/compare_images.h"
#include "tools/save_png.h"
#include "tools/tool_files.h"
#include "util/strings.h"

namespace zel {

namespace {

constexpr int32_t kDisposeBackground = 2;
constexpr int32_t kDisposePrevious = 3;

struct Bounds {
  int64_t minX = std::numeric_limits<int64_t>::max();
  int64_t minY = std::numeric_limits<int64_t>::max();
  int64_t maxX = 0;
  int64_t maxY = 0;
};

// Every image of the source, read without a name hint and with warnings raised as well as errors:
// a source that the library only half understands is no reference.
std::vector<Magick::Image> ReadSource(const uint8_t* data, int32_t size) {
  const Magick::Blob blob(data, static_cast<size_t>(size));
  std::vector<Magick::Image> images;
  Magick::ReadOptions options;
  options.quiet(false);
  Magick::readImages(&images, blob, options);
  return images;
}

Bounds SourceBounds(const std::vector<Magick::Image>& images) {
  Bounds bounds;
  for (const Magick::Image& image : images) {
    const int64_t x = magick::PageX(image);
    const int64_t y = magick::PageY(image);
    bounds.minX = std::min(bounds.minX, std::max<int64_t>(0, x));
    bounds.minY = std::min(bounds.minY, std::max<int64_t>(0, y));
    bounds.maxX = std::max(bounds.maxX, x + static_cast<int64_t>(image.columns()));
    bounds.maxY = std::max(bounds.maxY, y + static_cast<int64_t>(image.rows()));
  }
  return bounds;
}

Magick::Image Filled(size_t width, size_t height, const char* color) {
  return Magick::Image(Magick::Geometry(width, height), Magick::Color(color));
}

// The reference canvas at the converter's canvas size, flattened onto white as a viewer shows it.
Magick::Image ReferenceFrame(const Magick::Image& canvas, const Magick::Geometry& target) {
  Magick::Image frame = canvas;
  if (frame.columns() != target.width() || frame.rows() != target.height()) frame.scale(target);
  Magick::Image flat = Filled(frame.columns(), frame.rows(), "white");
  flat.composite(frame, 0, 0, Magick::OverCompositeOp);
  return flat;
}

}  // namespace

int32_t CompareAnimation(const uint8_t* data, int32_t size, const std::vector<SentFrame>& frames,
                         int32_t canvasWidth, int32_t canvasHeight, const ConvertOptions& options) {
  const std::vector<Magick::Image> source = ReadSource(data, size);
  if (source.size() != frames.size()) {
    std::cout << "source has " << source.size() << " frames, the converter sent " << frames.size()
              << std::endl;
    return 1;
  }

  const Bounds bounds = SourceBounds(source);
  Magick::Image reference = Filled(static_cast<size_t>(bounds.maxX - bounds.minX),
                                   static_cast<size_t>(bounds.maxY - bounds.minY), "none");
  const size_t width = static_cast<size_t>(canvasWidth);
  const size_t height = static_cast<size_t>(canvasHeight);
  Magick::Image client = Filled(width, height, "white");
  Magick::Geometry target(width, height);
  target.aspect(true);

  TextFile table(vesku::JoinPath(options.outDir, u"compare.tsv"));
  table.Write("index\tmean_diff\tchanged_pct\n");
  int32_t worstIndex = -1;
  double worstChanged = -1.0;
  double worstMean = 0;

  for (size_t i = 0; i < frames.size(); ++i) {
    const int32_t index = static_cast<int32_t>(i);
    const SentFrame& sent = frames[i];
    // The viewer never clears its canvas: each frame sent is drawn over what is there.
    client.composite(
        Magick::Image(sent.width, sent.height, "BGRA", Magick::CharPixel, sent.pixels.data()),
        sent.x, sent.y, Magick::OverCompositeOp);

    const Magick::Image& image = source[i];
    const int32_t dispose = magick::DisposalOf(image);
    std::optional<Magick::Image> previous;
    if (dispose == kDisposePrevious) previous = reference;
    const ssize_t x = static_cast<ssize_t>(magick::PageX(image) - bounds.minX);
    const ssize_t y = static_cast<ssize_t>(magick::PageY(image) - bounds.minY);
    reference.composite(image, x, y, Magick::OverCompositeOp);

    const Magick::Image referenceFrame = ReferenceFrame(reference, target);
    double mean = 0;
    double changed = 0;
    CompareImages(client, referenceFrame, mean, changed);
    std::ostringstream line;
    line << index << "\t" << mean << "\t" << changed * 100 << "\n";
    table.Write(line.str());
    if (changed > worstChanged) {
      worstIndex = index;
      worstChanged = changed;
      worstMean = mean;
    }

    if (options.IsSelected(index)) {
      SavePng(client, vesku::JoinPath(options.outDir, NumberedPngName(u"client", index)));
      SavePng(referenceFrame,
              vesku::JoinPath(options.outDir, NumberedPngName(u"reference", index)));
    }

    if (dispose == kDisposeBackground) {
      reference.composite(Filled(image.columns(), image.rows(), "none"), x, y,
                          Magick::CopyCompositeOp);
    } else if (previous) {
      reference = *previous;
    }
  }
  table.Close();

  std::cout << "worst frame " << worstIndex << ": mean diff " << worstMean << ", changed "
            << worstChanged * 100 << "% (see compare.tsv; --frames " << worstIndex
            << " writes its client/reference PNGs)" << std::endl;
  return 0;
}

}  // namespace zel
