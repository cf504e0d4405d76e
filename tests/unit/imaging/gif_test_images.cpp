#include "tests/unit/imaging/gif_test_images.h"

#include <cstdlib>

namespace zel::test {

std::string MakeGif(const std::vector<FrameSpec>& frames, int32_t screenWidth, int32_t screenHeight,
                    bool interlaced) {
  std::vector<Magick::Image> images;
  for (const FrameSpec& spec : frames) {
    Magick::Image image(Magick::Geometry(spec.width, spec.height), Magick::Color(spec.color));
    if (!spec.innerColor.empty()) {
      image.fillColor(Magick::Color(spec.innerColor));
      image.draw(Magick::DrawableRectangle(spec.width / 4, spec.height / 4, spec.width * 3 / 4 - 1,
                                           spec.height * 3 / 4 - 1));
    }
    image.page(Magick::Geometry(screenWidth, screenHeight, spec.x, spec.y));
    image.gifDisposeMethod(static_cast<MagickCore::DisposeType>(spec.dispose));
    image.animationDelay(spec.delay);
    image.magick("GIF");
    if (interlaced) image.interlaceType(MagickCore::GIFInterlace);
    images.push_back(image);
  }
  Magick::Blob blob;
  Magick::writeImages(images.begin(), images.end(), &blob, true);
  return std::string(static_cast<const char*>(blob.data()), blob.length());
}

std::vector<std::vector<uint8_t>> DrawFrames(const GifAnimation& animation) {
  std::vector<uint8_t> canvas(static_cast<size_t>(animation.canvasWidth) * animation.canvasHeight *
                              4);
  std::vector<std::vector<uint8_t>> snapshots;
  for (const GifFrame& frame : animation.frames) {
    for (int32_t row = 0; row < frame.height; ++row) {
      std::copy_n(frame.pixels.data() + static_cast<size_t>(row) * frame.width * 4,
                  static_cast<size_t>(frame.width) * 4,
                  canvas.data() +
                      (static_cast<size_t>(frame.y + row) * animation.canvasWidth + frame.x) * 4);
    }
    snapshots.push_back(canvas);
  }
  return snapshots;
}

std::vector<std::vector<uint8_t>> ReferenceFrames(const std::string& gif, int32_t left, int32_t top,
                                                  int32_t width, int32_t height, int32_t outWidth,
                                                  int32_t outHeight) {
  std::vector<Magick::Image> frames;
  Magick::readImages(&frames, Magick::Blob(gif.data(), gif.size()));
  std::vector<Magick::Image> coalesced;
  Magick::coalesceImages(&coalesced, frames.begin(), frames.end());
  std::vector<std::vector<uint8_t>> result;
  for (Magick::Image& frame : coalesced) {
    frame.crop(Magick::Geometry(width, height, left, top));
    frame.page(Magick::Geometry(0, 0, 0, 0));
    Magick::Image flat(Magick::Geometry(width, height), Magick::Color("white"));
    flat.composite(frame, 0, 0, MagickCore::OverCompositeOp);
    Magick::Geometry size(outWidth, outHeight);
    size.aspect(true);
    flat.scale(size);
    std::vector<uint8_t> pixels(static_cast<size_t>(outWidth) * outHeight * 4);
    flat.write(0, 0, outWidth, outHeight, "BGRA", MagickCore::CharPixel, pixels.data());
    result.push_back(std::move(pixels));
  }
  return result;
}

double MeanDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size() || a.empty()) return 255.0;
  double sum = 0.0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int{a[i]} - int{b[i]});
  return sum / static_cast<double>(a.size());
}

uint32_t RgbAt(const std::vector<uint8_t>& canvas, int32_t width, int32_t x, int32_t y) {
  const uint8_t* p = canvas.data() + (static_cast<size_t>(y) * width + x) * 4;
  return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

}  // namespace zel::test
