#include "imaging/jpeg_header_probe.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <exception>

// The libjpeg interface expects FILE and size_t to be declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include "imaging/summarize_image.h"

static_assert(JPEG_LIB_VERSION == 62, "the header probe is written against the libjpeg 6b API");

namespace zel {

namespace {

// How far beyond the point the parser reached a request for more bytes reaches, so that a header
// cut off near the end of one segment does not cost one round trip per segment.
constexpr int64_t kNeedMargin = 65536;

// Library errors jump back into ReadJpegHeader instead of ending the process.
struct ErrorManager {
  jpeg_error_mgr library;
  std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void OutputMessage(j_common_ptr) {}

void EmitMessage(j_common_ptr, int) {}

// A source over bytes that will never grow: asking for more suspends the parser, and a skip past
// the end is remembered so that the bytes it covers count towards what is needed.
struct MemorySource {
  jpeg_source_mgr library;
  int64_t pendingSkip;
};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr) { return FALSE; }

void SkipInputData(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  auto* source = reinterpret_cast<MemorySource*>(info->src);
  const auto skip = static_cast<size_t>(count);
  if (skip <= source->library.bytes_in_buffer) {
    source->library.next_input_byte += skip;
    source->library.bytes_in_buffer -= skip;
    return;
  }
  source->pendingSkip += static_cast<int64_t>(skip - source->library.bytes_in_buffer);
  source->library.next_input_byte += source->library.bytes_in_buffer;
  source->library.bytes_in_buffer = 0;
}

void TermSource(j_decompress_ptr) {}

// Everything the parse touches, in one record that outlives the jump: nothing with a destructor
// lives in the frame that calls setjmp.
struct HeaderParse {
  jpeg_decompress_struct info;
  ErrorManager errors;
  MemorySource source;
  int readResult;
};

// Runs jpeg_read_header; false when the library took its error exit.
bool ParseHeader(HeaderParse& parse, const uint8_t* bytes, int32_t length) {
  parse.info.err = jpeg_std_error(&parse.errors.library);
  parse.errors.library.error_exit = ErrorExit;
  parse.errors.library.output_message = OutputMessage;
  parse.errors.library.emit_message = EmitMessage;
  if (setjmp(parse.errors.jump) != 0) return false;
  jpeg_CreateDecompress(&parse.info, JPEG_LIB_VERSION, sizeof(parse.info));
  parse.source.library.next_input_byte = bytes;
  parse.source.library.bytes_in_buffer = static_cast<size_t>(length);
  parse.source.library.init_source = InitSource;
  parse.source.library.fill_input_buffer = FillInputBuffer;
  parse.source.library.skip_input_data = SkipInputData;
  parse.source.library.resync_to_restart = jpeg_resync_to_restart;
  parse.source.library.term_source = TermSource;
  parse.source.pendingSkip = 0;
  parse.info.src = &parse.source.library;
  parse.readResult = jpeg_read_header(&parse.info, TRUE);
  return true;
}

}  // namespace

int32_t ReadJpegHeader(const uint8_t* bytes, int32_t length, int32_t& precision, int64_t& needed) {
  HeaderParse parse{};
  int32_t result = kJpegHeaderFailed;
  if (length >= 0 && ParseHeader(parse, bytes, length)) {
    if (parse.readResult == JPEG_SUSPENDED) {
      needed = (length - static_cast<int64_t>(parse.source.library.bytes_in_buffer)) +
               parse.source.pendingSkip;
      result = kJpegHeaderSuspended;
    } else if (parse.readResult == JPEG_HEADER_OK) {
      precision = parse.info.data_precision;
      result = kJpegHeaderComplete;
    }
  }
  // Safe on an object that was never fully created: it holds no memory manager then.
  jpeg_destroy_decompress(&parse.info);
  return result;
}

bool ReadJpegSize(const uint8_t* bytes, int32_t length, uint32_t& width, uint32_t& height) {
  HeaderParse parse{};
  bool known = false;
  if (length >= 0 && ParseHeader(parse, bytes, length) && parse.readResult == JPEG_HEADER_OK) {
    width = parse.info.image_width;
    height = parse.info.image_height;
    known = true;
  }
  jpeg_destroy_decompress(&parse.info);
  return known;
}

int32_t ProbeJpeg(const PartialImageData& partial, ImageSummary& summary, int32_t& needHead) {
  const uint8_t* head = partial.head;
  if (partial.headLength <= 2 || head[0] != 0xFF || head[1] != 0xD8 || head[2] != 0xFF) {
    return kProbeImpossible;
  }
  int32_t precision = 0;
  int64_t needed = 0;
  const int32_t header = ReadJpegHeader(head, partial.headLength, precision, needed);
  if (header == kJpegHeaderSuspended) {
    // The whole file was sent and the header still does not end: the file is cut short.
    if (partial.headLength >= partial.totalSize) return kProbeImpossible;
    const int64_t need = std::min(partial.totalSize, needed + kNeedMargin);
    // A need the 32-bit field cannot carry could never be sent.
    if (need > INT32_MAX) return kProbeImpossible;
    needHead = static_cast<int32_t>(need);
    return kProbeNeedMore;
  }
  // The image library is not built for 12-bit samples; such a file is left to the full path.
  if (header != kJpegHeaderComplete || precision != 8) return kProbeImpossible;
  try {
    return PingImageSummary(head, partial.headLength, partial.name, summary) ? kProbeSummaryFilled
                                                                             : kProbeImpossible;
  } catch (const std::exception&) {
    return kProbeImpossible;
  }
}

}  // namespace zel
