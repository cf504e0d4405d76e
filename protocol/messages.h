// The messages between a viewer and the host: the opcodes, the values of every request and every
// reply, each listed once in its `Fields`. The host reads requests and writes replies, a viewer's
// client writes requests and reads replies, all from these lists, and exact sizes are counted by
// writing the message to a counting archive.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "facts/image_summary.h"
#include "facts/probe_result.h"
#include "protocol/field_archives.h"
#include "rpc/archive.h"
#include "rpc/archive_over_buffer.h"
#include "rpc/counting_archive.h"

namespace zel::protocol {

// The first value of every request.
enum class Opcode : int32_t {
  FileInfo = 1,
  ConvertToBitmap = 2,
  ReadImageProperties = 3,
  ProbePartialImage = 4,
};

// Requests. The file's bytes are read in place, in the request's buffer.

// How large a file will be when shown (and an image's orientation, animation and capture date),
// before any pixel is asked for. Answered with a FileInfoReply.
struct FileInfoRequest {
  static constexpr Opcode kOpcode = Opcode::FileInfo;
  std::u16string name;  // the format hint for the image library
  std::string mimeType;
  vesk::BinaryView bytes;
};

template <class Archive, MessageOf<FileInfoRequest> M>
void Fields(Archive& archive, M& request) {
  archive(request.name, request.mimeType, request.bytes);
}

// The file's picture: one bitmap, or every frame of an animation. Answered with a bitmap reply.
struct BitmapRequest {
  static constexpr Opcode kOpcode = Opcode::ConvertToBitmap;
  int32_t rotation = 0;  // clockwise degrees
  int32_t options = 0;   // kAutoOrientOption; the other bits mean nothing
  int32_t boxSide1 = 0;  // the size box, whichever side is longer; no box unless both are >= 1
  int32_t boxSide2 = 0;
  std::u16string name;
  std::string mimeType;
  vesk::BinaryView bytes;
};

// Turns the picture by the orientation stored in the file.
inline constexpr int32_t kAutoOrientOption = 1;

template <class Archive, MessageOf<BitmapRequest> M>
void Fields(Archive& archive, M& request) {
  archive(request.rotation, request.options, request.boxSide1, request.boxSide2, request.name,
          request.mimeType, request.bytes);
}

// Everything the image library knows about an image, as text. Answered with a PropertiesReply.
struct PropertiesRequest {
  static constexpr Opcode kOpcode = Opcode::ReadImageProperties;
  std::u16string name;
  vesk::BinaryView bytes;
};

template <class Archive, MessageOf<PropertiesRequest> M>
void Fields(Archive& archive, M& request) {
  archive(request.name, request.bytes);
}

// An image's facts from the first (and, if needed, the last) bytes of its file. Answered with a
// PartialProbeReply.
struct PartialProbeRequest {
  static constexpr Opcode kOpcode = Opcode::ProbePartialImage;
  std::u16string name;
  std::string mimeType;
  int32_t totalSize = 0;  // of the whole file
  vesk::BinaryView head;
  vesk::BinaryView tail;  // empty when none is sent
};

template <class Archive, MessageOf<PartialProbeRequest> M>
void Fields(Archive& archive, M& request) {
  archive(request.name, request.mimeType, request.totalSize, request.head, request.tail);
}

// Replies.

// The summary block that FileInfo and ProbePartialImage replies end with.
template <class Archive, MessageOf<ImageSummary> M>
void Fields(Archive& archive, M& summary) {
  archive(summary.width, summary.height, summary.flags, summary.rotation, summary.dateTaken);
}

struct FileInfoReply {
  bool known = false;  // false: the host found no size
  ImageSummary summary;
};

template <class Archive, MessageOf<FileInfoReply> M>
void Fields(Archive& archive, M& reply) {
  archive.Flag(reply.known, 0, 1);
  if (reply.known) archive(reply.summary);
}

// A property's name and value, as the image library gives them.
using ImageProperty = std::pair<std::string, std::string>;

template <class Archive, MessageOf<ImageProperty> M>
void Fields(Archive& archive, M& property) {
  archive(property.first, property.second);
}

struct PropertiesReply {
  bool found = false;  // false: the image could not be read or has no properties
  std::vector<ImageProperty> properties;
  std::vector<ImageProperty> hostAttributes;
};

template <class Archive, MessageOf<PropertiesReply> M>
void Fields(Archive& archive, M& reply) {
  archive.Flag(reply.found, 0, 1);
  if (reply.found) archive(reply.properties, reply.hostAttributes);
}

struct PartialProbeReply {
  int32_t result = kProbeImpossible;  // a ProbeResult
  int32_t needHead = 0;  // with kProbeNeedMore: the bytes from each end the next request carries
  int32_t needTail = 0;
  ImageSummary summary;  // with kProbeSummaryFilled
};

template <class Archive, MessageOf<PartialProbeReply> M>
void Fields(Archive& archive, M& reply) {
  archive.Constant(0);
  archive(reply.result, reply.needHead, reply.needTail);
  if (reply.result == kProbeSummaryFilled) archive(reply.summary);
}

// The bitmap reply. The host writes it while it decodes, straight from the decoder: the header;
// then, for a still image, its pixels; for an animation, each frame's placement and pixels. Pixels
// are one Binary value of BGRA bytes, rows top to bottom, no padding.
struct BitmapHeader {
  bool animated = false;
  int32_t width = 0;  // the bitmap's size, or an animation's canvas size
  int32_t height = 0;
  int32_t frameCount = 1;  // sent for animations only
};

template <class Archive, MessageOf<BitmapHeader> M>
constexpr void Fields(Archive& archive, M& header) {
  archive.Flag(header.animated, 1, 0);
  archive(header.width, header.height);
  if (header.animated) archive(header.frameCount);
}

// Where an animation frame goes on the canvas, and for how long.
struct FramePlacement {
  int32_t width = 0;
  int32_t height = 0;
  int32_t delayMs = 0;
  int32_t x = 0;
  int32_t y = 0;
};

template <class Archive, MessageOf<FramePlacement> M>
constexpr void Fields(Archive& archive, M& placement) {
  archive(placement.width, placement.height, placement.delayMs, placement.x, placement.y);
}

struct Frame : FramePlacement {
  std::vector<uint8_t> bgra;  // width * height * 4 bytes
};

// Whether a frame's pixels are as many as its size says.
bool HoldsItsPixels(const Frame& frame);

template <class Archive, MessageOf<Frame> M>
void Fields(Archive& archive, M& frame) {
  archive(PartOf<FramePlacement>(frame), frame.bgra);
  archive.Check(HoldsItsPixels(frame));
}

// The whole bitmap reply, as a viewer reads it. It repeats the header's values rather than
// deriving from BitmapHeader, which would cost it the standard layout the C interface needs.
struct BitmapReply {
  bool animated = false;
  int32_t width = 0;  // the bitmap's size, or the canvas size
  int32_t height = 0;
  std::vector<Frame> frames;  // one, at 0,0, for a still image
};

// Read only: no one builds a whole bitmap reply to send it.
void Fields(FieldReader& archive, BitmapReply& reply);

// An animation's reply buffer is taken before its frames are decoded, when only their count and
// their pixel total are known. It holds this room for each frame's values besides its pixels
// (its placement, the pixels' header and padding) and once more for the values in front of the
// frames: more than they take, and a viewer reads past the rest. Viewers have always received
// replies of this length.
inline constexpr int32_t kFrameRoom = 64;

// The animation reply's size for `frameCount` frames of `pixelBytes` in all; "IntegerOverflow"
// past the 32-bit sizes of the wire.
int32_t AnimationReplySize(int32_t frameCount, int32_t pixelBytes);

// Reading, writing and counting.

template <class Message>
Message Read(vesk::CArchiveOverBuffer& archive) {
  Message message;
  FieldReader reader(archive);
  reader(message);
  return message;
}

template <class Archive, class Message>
constexpr void Write(Archive& archive, const Message& message) {
  FieldWriter<Archive> writer(archive);
  writer(message);
}

// A request, opcode first.
template <class Archive, class Request>
void WriteRequest(Archive& archive, const Request& request) {
  FieldWriter<Archive> writer(archive);
  writer(static_cast<int32_t>(Request::kOpcode), request);
}

// A reply's size for the responder, as counted: "IntegerOverflow" past the 32-bit sizes of the
// wire.
int32_t ReplySize(int64_t counted);

// The exact size of a request: "Request too large" past what one value may carry.
int32_t RequestSize(int64_t counted);

template <class Request>
int32_t RequestSize(const Request& request) {
  vesk::CCountingArchive counter;
  WriteRequest(counter, request);
  return RequestSize(counter.size());
}

}  // namespace zel::protocol
