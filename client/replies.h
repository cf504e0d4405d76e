// The viewer's side of the message contents: the four requests as they are laid out in a request
// message, and their replies decoded into plain values.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "imaging/image_summary.h"

namespace vesk {
class CArchiveOverBuffer;
}

namespace zel::client {

enum Opcode : int32_t {
  kFileInfo = 1,
  kConvertToBitmap = 2,
  kReadImageProperties = 3,
  kProbePartialImage = 4,
};

// A file as the requests carry it. The bytes are not owned.
struct FileRef {
  std::u16string name;
  std::string mimeType;
  const uint8_t* data = nullptr;
  int32_t size = 0;
};

struct BitmapOptions {
  int32_t rotation = 0;    // clockwise degrees
  bool autoOrient = true;  // apply the orientation stored in the file
  int32_t boxSide1 = 0;    // size box; no box unless both sides are at least 1
  int32_t boxSide2 = 0;
};

struct FileInfoReply {
  bool known = false;  // false: the host found no size ("1")
  ImageSummary summary;
};

struct Frame {
  int32_t width = 0;
  int32_t height = 0;
  int32_t delayMs = 0;
  int32_t x = 0;
  int32_t y = 0;
  std::vector<uint8_t> bgra;  // width * height * 4 bytes, rows top to bottom
};

struct BitmapReply {
  bool animated = false;
  // The bitmap's size for a still image, the canvas size for an animation.
  int32_t width = 0;
  int32_t height = 0;
  std::vector<Frame> frames;  // one for a still image
};

struct PropertiesReply {
  bool found = false;  // false: the host answered "1"
  std::vector<std::pair<std::string, std::string>> properties;
  std::vector<std::pair<std::string, std::string>> hostAttributes;
};

struct PartialProbeReply {
  int32_t result = 2;  // 0 summary filled, 1 more bytes needed, 2 impossible from partial data
  int32_t needHead = 0;
  int32_t needTail = 0;
  ImageSummary summary;
};

// Writes a UTF-16 string value (the host reads these; it never writes them).
void WriteWideString(vesk::CArchiveOverBuffer& archive, const std::u16string& text);

// Request sizes and contents, opcode included.
int32_t FileInfoRequestSize(const FileRef& file);
void WriteFileInfoRequest(vesk::CArchiveOverBuffer& archive, const FileRef& file);
int32_t BitmapRequestSize(const FileRef& file);
void WriteBitmapRequest(vesk::CArchiveOverBuffer& archive, const FileRef& file,
                        const BitmapOptions& options);
int32_t PropertiesRequestSize(const FileRef& file);
void WritePropertiesRequest(vesk::CArchiveOverBuffer& archive, const FileRef& file);
int32_t PartialProbeRequestSize(const FileRef& head, int32_t tailSize);
void WritePartialProbeRequest(vesk::CArchiveOverBuffer& archive, const FileRef& head,
                              int32_t totalSize, const uint8_t* tail, int32_t tailSize);

// Reply decoders over a successful reply's payload. A payload that does not hold what the reply
// must hold throws the archive's read errors.
FileInfoReply DecodeFileInfoReply(const std::vector<uint8_t>& payload);
BitmapReply DecodeBitmapReply(const std::vector<uint8_t>& payload);
PropertiesReply DecodePropertiesReply(const std::vector<uint8_t>& payload);
PartialProbeReply DecodePartialProbeReply(const std::vector<uint8_t>& payload);

}  // namespace zel::client
