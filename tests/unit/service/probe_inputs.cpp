#include "tests/unit/service/probe_inputs.h"

#include <Magick++.h>

#include <algorithm>
#include <stdexcept>

#include "imaging/png_crc.h"
#include "service/file_info.h"
#include "service/probe_partial_image.h"

namespace zel::test {

namespace {

const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

void PutBigEndian32(Bytes& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

Bytes Noise(size_t width, size_t height, const std::string& format) {
  Magick::Image image = Filled(width, height, "gray");
  image.addNoise(Magick::GaussianNoise);
  return Encode(image, format);
}

}  // namespace

std::vector<PngChunk> SplitPng(const Bytes& png) {
  if (png.size() < 8 || !std::equal(png.begin(), png.begin() + 8, kSignature)) {
    throw std::runtime_error("not a PNG");
  }
  std::vector<PngChunk> chunks;
  size_t at = 8;
  while (at + 12 <= png.size()) {
    const uint32_t length = BigEndian32(&png[at]);
    if (at + 12 + length > png.size()) throw std::runtime_error("chunk past the end");
    PngChunk chunk;
    chunk.type.assign(png.begin() + at + 4, png.begin() + at + 8);
    chunk.data.assign(png.begin() + at + 8, png.begin() + at + 8 + length);
    chunks.push_back(std::move(chunk));
    at += 12 + length;
  }
  if (at != png.size()) throw std::runtime_error("bytes after the last chunk");
  return chunks;
}

Bytes EncodeChunk(const PngChunk& chunk) {
  Bytes out;
  PutBigEndian32(out, static_cast<uint32_t>(chunk.data.size()));
  out.insert(out.end(), chunk.type.begin(), chunk.type.end());
  out.insert(out.end(), chunk.data.begin(), chunk.data.end());
  PutBigEndian32(out, PngCrc(out.data() + 4, chunk.data.size() + 4));
  return out;
}

Bytes JoinPng(const std::vector<PngChunk>& chunks) {
  Bytes out(kSignature, kSignature + 8);
  for (const PngChunk& chunk : chunks) {
    const Bytes encoded = EncodeChunk(chunk);
    out.insert(out.end(), encoded.begin(), encoded.end());
  }
  return out;
}

Bytes WithChunkBeforeImageData(const Bytes& png, const PngChunk& chunk) {
  std::vector<PngChunk> chunks = SplitPng(png);
  const auto first = std::find_if(chunks.begin(), chunks.end(),
                                  [](const PngChunk& c) { return c.type == "IDAT"; });
  chunks.insert(first, chunk);
  return JoinPng(chunks);
}

Bytes WithChunkAfterImageData(const Bytes& png, const PngChunk& chunk) {
  std::vector<PngChunk> chunks = SplitPng(png);
  const auto last = std::find_if(chunks.rbegin(), chunks.rend(),
                                 [](const PngChunk& c) { return c.type == "IDAT"; });
  chunks.insert(last.base(), chunk);
  return JoinPng(chunks);
}

int64_t ChunkOffset(const Bytes& png, const std::string& type) {
  int64_t at = 8;
  for (const PngChunk& chunk : SplitPng(png)) {
    if (chunk.type == type) return at;
    at += 12 + static_cast<int64_t>(chunk.data.size());
  }
  return -1;
}

Bytes ExifTiff(int orientation, const std::string& dateOriginal, const std::string& dateDigitized) {
  // The JPEG builder's APP1 segment: marker, length, "Exif\0\0", then the TIFF structure.
  const Bytes jpeg =
      WithExif(Encode(Filled(1, 1, "white"), "JPEG"), orientation, dateOriginal, dateDigitized);
  const size_t segmentEnd = 4 + ((size_t{jpeg[4]} << 8) | jpeg[5]);
  return Bytes(jpeg.begin() + 12, jpeg.begin() + static_cast<std::ptrdiff_t>(segmentEnd));
}

Bytes NoisePng(size_t width, size_t height) { return Noise(width, height, "PNG"); }

Bytes NoiseJpeg(size_t width, size_t height) { return Noise(width, height, "JPEG"); }

Probed ProbeEnds(const Bytes& file, const std::string& mimeType, int64_t headSize, int64_t tailSize,
                 int64_t totalSize) {
  const auto size = static_cast<int64_t>(file.size());
  headSize = std::min(headSize, size);
  tailSize = std::min(tailSize, size);
  PartialImageData partial;
  partial.head = file.data();
  partial.headLength = static_cast<int32_t>(headSize);
  partial.tail = tailSize > 0 ? file.data() + (size - tailSize) : nullptr;
  partial.tailLength = static_cast<int32_t>(tailSize);
  partial.totalSize = totalSize < 0 ? size : totalSize;
  partial.name = u"probed";
  Probed probed;
  probed.result = ProbeByMime(partial, mimeType, probed.summary, probed.needHead, probed.needTail);
  return probed;
}

Probed ProbeLikeAViewer(const Bytes& file, const std::string& mimeType, int64_t* sent) {
  const auto size = static_cast<int64_t>(file.size());
  int64_t head = std::min<int64_t>(size, 65536);
  int64_t tail = 0;
  int64_t offered = 0;
  Probed probed;
  for (int attempt = 0; attempt < 3; ++attempt) {
    offered += head + tail;
    probed = ProbeEnds(file, mimeType, head, tail);
    if (probed.result != 1) break;
    const int64_t nextHead = std::max<int64_t>(head, probed.needHead);
    const int64_t nextTail = std::max<int64_t>(tail, probed.needTail);
    if (nextHead == head && nextTail == tail) break;
    head = nextHead;
    tail = nextTail;
  }
  if (sent != nullptr) *sent = offered;
  return probed;
}

bool FullSummary(const Bytes& file, const std::string& mimeType, ImageSummary& summary) {
  return ProbeFileInfo(u"probed", mimeType, file.data(), static_cast<int32_t>(file.size()),
                       summary);
}

}  // namespace zel::test
