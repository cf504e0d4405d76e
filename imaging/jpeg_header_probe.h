// The facts of a JPEG file from its first bytes: the header (everything before the compressed
// data, EXIF segment included) is parsed without decoding any pixels, and a header that is cut off
// is answered with the number of bytes from the start that it needs.
#pragma once

#include <cstdint>

#include "facts/image_summary.h"
#include "imaging/partial_image_data.h"

namespace zel {

// Outcomes of ReadJpegHeader.
enum JpegHeaderResult : int32_t {
  kJpegHeaderComplete = 0,
  kJpegHeaderSuspended = 1,
  kJpegHeaderFailed = 2,
};

// Parses the header in `length` bytes. Complete: `precision` is the sample precision in bits.
// Suspended: `needed` is the file offset the parser had reached, skipped bytes included. Failed:
// any decoder error, or a header without an image. Never throws.
int32_t ReadJpegHeader(const uint8_t* bytes, int32_t length, int32_t& precision, int64_t& needed);

// The pixel size that a complete JPEG header in `length` bytes declares; false for anything else.
// Never throws.
bool ReadJpegSize(const uint8_t* bytes, int32_t length, uint32_t& width, uint32_t& height);

// A ProbeResult; on kProbeNeedMore `needHead` is set (the caller sets it to 0 first). Uses only the
// head. Never throws.
int32_t ProbeJpeg(const PartialImageData& partial, ImageSummary& summary, int32_t& needHead);

}  // namespace zel
