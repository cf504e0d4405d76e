#include "tools/measure_conversion.h"

#include <Magick++.h>

#include <algorithm>
#include <iostream>
#include <sstream>

#include "imaging/image_decoder.h"
#include "platform/performance.h"
#include "tools/compare_animation.h"
#include "tools/save_png.h"
#include "tools/tool_files.h"
#include "util/strings.h"

namespace zel {

namespace {

int64_t MillisecondsSince(int64_t start) {
  return (platform::MonotonicNanoseconds() - start) / 1000000;
}

uint64_t PeakMegabytes() { return platform::PeakWorkingSetBytes() >> 20; }

// Delays read from a file can be far longer than milliseconds in 32 bits hold.
int32_t DelayMilliseconds(int32_t hundredths) {
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{hundredths} * 10, INT32_MIN, INT32_MAX));
}

void WriteFramesTable(const std::u16string& path, const std::vector<SentFrame>& frames,
                      int32_t canvasWidth, int32_t canvasHeight, int64_t sentTotal,
                      int64_t reserved, int32_t maxBytes) {
  TextFile table(path);
  std::ostringstream head;
  head << "# canvas " << canvasWidth << "x" << canvasHeight << ", frames " << frames.size()
       << ", sent " << sentTotal << " bytes, reserved " << reserved << ", limit " << maxBytes
       << "\n"
       << "index\twidth\theight\tx\ty\tdelay_ms\tbytes\n";
  table.Write(head.str());
  for (size_t i = 0; i < frames.size(); ++i) {
    const SentFrame& frame = frames[i];
    std::ostringstream line;
    line << i << "\t" << frame.width << "\t" << frame.height << "\t" << frame.x << "\t" << frame.y
         << "\t" << frame.delayMs << "\t" << frame.pixels.size() << "\n";
    table.Write(line.str());
  }
}

}  // namespace

int32_t MeasureConversion(const uint8_t* data, int32_t size, const std::u16string& name,
                          const ConvertOptions& options) {
  const int64_t start = platform::MonotonicNanoseconds();
  // The same size box as a bitmap request.
  DecodeOptions decodeOptions =
      BoxedDecodeOptions(options.maxBytes, options.maxWidth, options.maxHeight);
  if (options.oldScaling) decodeOptions.animationScaling = AnimationScaling::kZoomEveryFrame;
  ImageDecoder decoder(decodeOptions);
  decoder.Load(data, size, 0, true, name);
  std::cout << "decode + first frame " << MillisecondsSince(start) << " ms, peak "
            << PeakMegabytes() << " MB" << std::endl;
  const int64_t framesStart = platform::MonotonicNanoseconds();

  const bool animated = decoder.totalBytes() != 0;
  std::vector<SentFrame> frames;
  int64_t sentTotal = 0;
  while (true) {
    SentFrame frame;
    frame.width = decoder.width();
    frame.height = decoder.height();
    frame.pixels.resize(static_cast<size_t>(decoder.frameBytes()));
    decoder.WritePixels(frame.pixels.data(), decoder.frameBytes());
    if (animated) {
      std::tie(frame.x, frame.y) = decoder.FramePosition();
      frame.delayMs = DelayMilliseconds(decoder.FrameDelay());
    }
    sentTotal += static_cast<int64_t>(frame.pixels.size());
    frames.push_back(std::move(frame));
    if (!animated || !decoder.NextFrame(0, true)) break;
  }

  int32_t canvasWidth = frames.front().width;
  int32_t canvasHeight = frames.front().height;
  if (animated) std::tie(canvasWidth, canvasHeight) = decoder.CanvasSize();

  WriteFramesTable(vesku::JoinPath(options.outDir, u"frames.tsv"), frames, canvasWidth,
                   canvasHeight, sentTotal, animated ? decoder.totalBytes() : sentTotal,
                   options.maxBytes);

  std::cout << "other frames " << MillisecondsSince(framesStart) << " ms, total "
            << MillisecondsSince(start) << " ms, peak " << PeakMegabytes() << " MB" << std::endl;
  std::cout << "canvas " << canvasWidth << "x" << canvasHeight << ", " << frames.size()
            << " frame(s), sent " << sentTotal << " bytes" << std::endl;

  for (size_t i = 0; i < frames.size(); ++i) {
    const SentFrame& frame = frames[i];
    if (!options.IsSelected(static_cast<int32_t>(i))) continue;
    SavePng(
        Magick::Image(frame.width, frame.height, "BGRA", Magick::CharPixel, frame.pixels.data()),
        vesku::JoinPath(options.outDir, NumberedPngName(u"frame", static_cast<int32_t>(i))));
  }

  if (options.compare && animated) {
    return CompareAnimation(data, size, frames, canvasWidth, canvasHeight, options);
  }
  return 0;
}

}  // namespace zel
