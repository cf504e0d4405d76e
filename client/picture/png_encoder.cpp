#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <vector>

#include "client/picture/parallel_for.h"
#include "client/picture/picture_encoders.h"

namespace zel::picture {

namespace {

// Pictures are written once and looked at; a small file is not worth seconds. Deflate's
// run-length strategy over the "sub" filter is the cheapest setting that still shrinks photos
// and documents well (level 1 of the default strategy spends more time for a larger file).
constexpr int kZlibLevel = 1;
constexpr int kZlibStrategy = Z_RLE;
constexpr int kRowFilter = PNG_FILTER_SUB;
constexpr uint8_t kSubFilterType = 1;
// Larger compression chunks mean fewer IDAT chunks and fewer writes.
constexpr size_t kCompressionBufferSize = 1 << 20;
// From this size on a picture is compressed in horizontal stripes on all cores.
constexpr size_t kStripedPixels = 512 * 1024;
constexpr int32_t kFewestStripeRows = 64;
// Rows filtered and deflated per step of a stripe.
constexpr size_t kStepBytes = 128 * 1024;

void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

// Kept apart from the setjmp frames below: its loop variable must not live where longjmp lands.
void WriteRows(png_structp png, const BgraPicture& picture) {
  const size_t stride = static_cast<size_t>(picture.width) * 4;
  for (int32_t y = 0; y < picture.height; ++y) {
    png_write_row(png, picture.pixels + stride * static_cast<size_t>(y));
  }
}

void SetHeader(png_structp png, png_infop info, const BgraPicture& picture, bool opaque,
               std::FILE* file) {
  png_init_io(png, file);
  png_set_compression_level(png, kZlibLevel);
  png_set_compression_strategy(png, kZlibStrategy);
  png_set_compression_buffer_size(png, kCompressionBufferSize);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, kRowFilter);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
               static_cast<png_uint_32>(picture.height), 8,
               opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
}

// libpng reports errors by longjmp; nothing with a destructor lives in this frame.
bool EncodeRows(png_structp png, png_infop info, const BgraPicture& picture, bool opaque,
                std::FILE* file) {
  if (setjmp(png_jmpbuf(png))) return false;
  SetHeader(png, info, picture, opaque, file);
  png_write_info(png, info);
  // The rows stay BGRA in memory: libpng swaps to RGB order and, for an opaque picture, drops
  // the fourth byte as it writes.
  png_set_bgr(png);
  if (opaque) png_set_filler(png, 0, PNG_FILLER_AFTER);
  WriteRows(png, picture);
  png_write_end(png, info);
  return true;
}

// The same file with the image data made elsewhere: libpng writes the header, the one IDAT chunk
// and the end. Nothing with a destructor lives in this frame.
bool WriteChunks(png_structp png, png_infop info, const BgraPicture& picture, bool opaque,
                 std::FILE* file, const std::vector<uint8_t>& imageData) {
  if (setjmp(png_jmpbuf(png))) return false;
  SetHeader(png, info, picture, opaque, file);
  png_write_info(png, info);
  png_write_chunk(png, reinterpret_cast<png_const_bytep>("IDAT"), imageData.data(),
                  imageData.size());
  png_write_chunk(png, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
  return true;
}

// One stripe of rows as PNG scanlines (filter byte, then RGB or RGBA with the "sub" filter),
// deflated on its own. Every stripe but the last ends on a byte boundary with a full flush, and
// the run-length strategy never looks back further than one byte, so the stripes' outputs
// concatenate into one valid deflate stream.
struct Stripe {
  int32_t firstRow = 0;
  int32_t endRow = 0;
  bool last = false;
  std::vector<uint8_t> deflated;
  uLong adler = 1;
  uLong length = 0;
  bool ok = false;
};

// BGRA rows to RGB(A) scanlines with the "sub" filter: every sample minus the same sample of the
// pixel to its left. Reading that neighbour from the source, rather than carrying it along,
// leaves no dependency from one pixel to the next.
template <size_t kChannels>
void FilterRow(const uint8_t* __restrict source, size_t width, uint8_t* __restrict samples) {
  static constexpr size_t kOrder[4] = {2, 1, 0, 3};  // R, G, B, A of a BGRA pixel
  for (size_t c = 0; c < kChannels; ++c) samples[c] = source[kOrder[c]];
  for (size_t x = 1; x < width; ++x) {
    for (size_t c = 0; c < kChannels; ++c) {
      samples[x * kChannels + c] =
          static_cast<uint8_t>(source[x * 4 + kOrder[c]] - source[x * 4 - 4 + kOrder[c]]);
    }
  }
}

template <size_t kChannels>
void FilterRowsOf(const BgraPicture& picture, int32_t firstRow, int32_t endRow, uint8_t* line) {
  const size_t width = static_cast<size_t>(picture.width);
  for (int32_t y = firstRow; y < endRow; ++y, line += 1 + width * kChannels) {
    line[0] = kSubFilterType;
    FilterRow<kChannels>(picture.pixels + width * 4 * static_cast<size_t>(y), width, line + 1);
  }
}

// Filters and deflates a few rows at a time, so that the scanlines stay in the cache between
// the two steps.
void CompressStripe(const BgraPicture& picture, bool opaque, Stripe& stripe) {
  const size_t lineSize = 1 + static_cast<size_t>(picture.width) * (opaque ? 3 : 4);
  const int32_t rowsPerStep = static_cast<int32_t>(std::max<size_t>(1, kStepBytes / lineSize));
  std::vector<uint8_t> scanlines(lineSize * static_cast<size_t>(rowsPerStep));

  z_stream stream{};
  // Raw deflate: the zlib header and checksum are written once for the whole picture.
  if (deflateInit2(&stream, kZlibLevel, Z_DEFLATED, -15, 8, kZlibStrategy) != Z_OK) return;
  const uLong inputSize = static_cast<uLong>(lineSize) * (stripe.endRow - stripe.firstRow);
  stripe.deflated.resize(deflateBound(&stream, inputSize) + 16);
  stream.next_out = stripe.deflated.data();
  stream.avail_out = static_cast<uInt>(stripe.deflated.size());
  stripe.adler = adler32(0, nullptr, 0);
  stripe.length = inputSize;
  bool ok = true;
  for (int32_t row = stripe.firstRow; ok && row < stripe.endRow; row += rowsPerStep) {
    const int32_t endRow = std::min(stripe.endRow, row + rowsPerStep);
    if (opaque) {
      FilterRowsOf<3>(picture, row, endRow, scanlines.data());
    } else {
      FilterRowsOf<4>(picture, row, endRow, scanlines.data());
    }
    const uInt size = static_cast<uInt>(lineSize * static_cast<size_t>(endRow - row));
    stripe.adler = adler32(stripe.adler, scanlines.data(), size);
    stream.next_in = scanlines.data();
    stream.avail_in = size;
    const bool final = endRow == stripe.endRow;
    const int flush = !final ? Z_NO_FLUSH : stripe.last ? Z_FINISH : Z_FULL_FLUSH;
    const int result = deflate(&stream, flush);
    ok = stream.avail_in == 0 && (flush == Z_FINISH ? result == Z_STREAM_END : result == Z_OK);
  }
  stripe.ok = ok;
  stripe.deflated.resize(stripe.deflated.size() - stream.avail_out);
  deflateEnd(&stream);
}

// The picture's zlib stream, compressed in stripes on all cores; empty on failure.
std::vector<uint8_t> CompressInStripes(const BgraPicture& picture, bool opaque) {
  const int32_t count = static_cast<int32_t>(
      std::min<size_t>(ParallelThreads(), static_cast<size_t>(picture.height / kFewestStripeRows)));
  std::vector<Stripe> stripes(static_cast<size_t>(std::max(count, 1)));
  for (size_t i = 0; i < stripes.size(); ++i) {
    stripes[i].firstRow = static_cast<int32_t>(picture.height * i / stripes.size());
    stripes[i].endRow = static_cast<int32_t>(picture.height * (i + 1) / stripes.size());
    stripes[i].last = i + 1 == stripes.size();
  }
  ParallelFor(stripes.size(), [&](size_t i) { CompressStripe(picture, opaque, stripes[i]); });

  // Deflate, 32 KiB window, fastest-level hint: a header whose 16-bit value divides by 31.
  std::vector<uint8_t> stream = {0x78, 0x01};
  uLong adler = adler32(0, nullptr, 0);
  for (const Stripe& stripe : stripes) {
    if (!stripe.ok) return {};
    stream.insert(stream.end(), stripe.deflated.begin(), stripe.deflated.end());
    adler = adler32_combine(adler, stripe.adler, static_cast<z_off_t>(stripe.length));
  }
  for (int shift = 24; shift >= 0; shift -= 8)
    stream.push_back(static_cast<uint8_t>(adler >> shift));
  return stream;
}

}  // namespace

bool EncodePng(const BgraPicture& picture, bool opaque, std::FILE* file) {
  const size_t pixels = static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height);
  std::vector<uint8_t> imageData;
  if (pixels >= kStripedPixels && ParallelThreads() > 1) {
    imageData = CompressInStripes(picture, opaque);
    if (imageData.empty()) return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  const bool written =
      info != nullptr &&
      (imageData.empty() ? EncodeRows(png, info, picture, opaque, file)
                         : WriteChunks(png, info, picture, opaque, file, imageData));
  png_destroy_write_struct(&png, &info);
  return written;
}

}  // namespace zel::picture
