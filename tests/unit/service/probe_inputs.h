// Inputs of the partial-data probe tests: PNG files taken apart and put together chunk by chunk,
// EXIF data for PNG chunks, and a probe call over the first and last bytes of a file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "facts/image_summary.h"
#include "tests/support/test_images.h"

namespace zel::test {

struct PngChunk {
  std::string type;
  Bytes data;
};

// The chunks after the signature; throws on bytes that are not a well-formed chunk sequence.
std::vector<PngChunk> SplitPng(const Bytes& png);

// The signature and the chunks, each with its length and a correct CRC.
Bytes JoinPng(const std::vector<PngChunk>& chunks);

// One chunk as it is stored: length, type, data, CRC.
Bytes EncodeChunk(const PngChunk& chunk);

// `png` with `chunk` placed just before the first IDAT chunk, or just after the last one.
Bytes WithChunkBeforeImageData(const Bytes& png, const PngChunk& chunk);
Bytes WithChunkAfterImageData(const Bytes& png, const PngChunk& chunk);

// File offset of the first chunk of `type`; -1 when there is none.
int64_t ChunkOffset(const Bytes& png, const std::string& type);

// The TIFF structure of an EXIF block (what an eXIf chunk holds), with the given orientation and
// dates (0 and empty are left out).
Bytes ExifTiff(int orientation, const std::string& dateOriginal, const std::string& dateDigitized);

// A PNG of noise, which compresses badly: about width * height * 3 bytes.
Bytes NoisePng(size_t width, size_t height);

// A JPEG of noise, so that the compressed data is large.
Bytes NoiseJpeg(size_t width, size_t height);

struct Probed {
  int32_t result = -1;
  int32_t needHead = -1;
  int32_t needTail = -1;
  ImageSummary summary;
};

// ProbeByMime over the first `headSize` and the last `tailSize` bytes of `file`. `totalSize` is the
// file's size unless given.
Probed ProbeEnds(const Bytes& file, const std::string& mimeType, int64_t headSize, int64_t tailSize,
                 int64_t totalSize = -1);

// What the viewer does: 64 KiB from the start, then the sizes asked for, at most three requests.
// `sent` receives the bytes offered over all requests.
Probed ProbeLikeAViewer(const Bytes& file, const std::string& mimeType, int64_t* sent = nullptr);

// The full-file answer of the information request.
bool FullSummary(const Bytes& file, const std::string& mimeType, ImageSummary& summary);

}  // namespace zel::test
