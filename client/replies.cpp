#include "client/replies.h"

#include <cstring>
#include <stdexcept>

#include "rpc/archive_values.h"

namespace zel::client {

void WriteWideString(vesk::CArchiveOverBuffer& archive, const std::u16string& text) {
  const int32_t length = static_cast<int32_t>(text.size() * 2);
  const int32_t padded = vesk::Round8(length);
  vesk::WriteType(archive, vesk::ArchiveType::WideString);
  const uint8_t zeros[8] = {};
  if (archive.Write(&length, 4).status != 0 ||
      (length > 0 && archive.Write(text.data(), length).status != 0) ||
      archive.Write(zeros, padded - length).status != 0) {
    throw std::runtime_error("Can't write string");
  }
}

namespace {

constexpr int64_t kIntSize = vesk::kIntValueSize;

// The bytes a String, WideString or Binary value of `length` bytes takes; refuses what no value
// can carry.
int64_t BlockSize(size_t length) {
  if (length > static_cast<size_t>(vesk::kMaxValueLength)) {
    throw std::runtime_error("Request too large");
  }
  return vesk::BlockValueSize(static_cast<int64_t>(length));
}

// The opcode, the file's fields and `extra` bytes of further values, summed in 64 bits: a large
// file and a long name together can pass the 32-bit limit.
int32_t RequestSize(const FileRef& file, bool withMime, int64_t extra) {
  const int64_t size = kIntSize + BlockSize(file.name.size() * 2) +
                       (withMime ? BlockSize(file.mimeType.size()) : 0) +
                       BlockSize(static_cast<size_t>(file.size)) + extra;
  if (size > 2147483640) throw std::runtime_error("Request too large");
  return static_cast<int32_t>(size);
}

void WriteBytes(vesk::CArchiveOverBuffer& archive, const uint8_t* data, int32_t size) {
  uint8_t* space = vesk::WriteBinary(archive, size);
  if (size > 0) std::memcpy(space, data, static_cast<size_t>(size));
}

void WriteText(vesk::CArchiveOverBuffer& archive, const std::string& text) {
  vesk::WriteString(archive, text.data(), static_cast<int32_t>(text.size()));
}

ImageSummary ReadSummary(vesk::CArchiveOverBuffer& reply) {
  ImageSummary summary;
  summary.width = vesk::ReadInt(reply);
  summary.height = vesk::ReadInt(reply);
  summary.flags = vesk::ReadInt(reply);
  summary.rotation = vesk::ReadInt(reply);
  summary.dateTaken = vesk::ReadString(reply);
  return summary;
}

std::vector<std::pair<std::string, std::string>> ReadPairs(vesk::CArchiveOverBuffer& reply) {
  const int32_t count = vesk::ReadInt(reply);
  if (count < 0) throw std::runtime_error("Invalid reply");
  std::vector<std::pair<std::string, std::string>> pairs;
  for (int32_t i = 0; i < count; ++i) {
    std::string name = vesk::ReadString(reply);
    pairs.emplace_back(std::move(name), vesk::ReadString(reply));
  }
  return pairs;
}

Frame ReadFrame(vesk::CArchiveOverBuffer& reply, int32_t width, int32_t height) {
  Frame frame;
  frame.width = width;
  frame.height = height;
  const vesk::BinaryView pixels = vesk::ReadBinary(reply);
  if (static_cast<int64_t>(width) * height * 4 != pixels.size) {
    throw std::runtime_error("Invalid reply");
  }
  frame.bgra.assign(pixels.data, pixels.data + pixels.size);
  return frame;
}

vesk::CArchiveOverBuffer Reader(const std::vector<uint8_t>& payload) {
  return vesk::CArchiveOverBuffer(payload.data(), static_cast<int32_t>(payload.size()));
}

}  // namespace

int32_t FileInfoRequestSize(const FileRef& file) { return RequestSize(file, true, 0); }

void WriteFileInfoRequest(vesk::CArchiveOverBuffer& archive, const FileRef& file) {
  vesk::WriteInt(archive, kFileInfo);
  WriteWideString(archive, file.name);
  WriteText(archive, file.mimeType);
  WriteBytes(archive, file.data, file.size);
}

int32_t BitmapRequestSize(const FileRef& file) { return RequestSize(file, true, 4 * kIntSize); }

void WriteBitmapRequest(vesk::CArchiveOverBuffer& archive, const FileRef& file,
                        const BitmapOptions& options) {
  vesk::WriteInt(archive, kConvertToBitmap);
  vesk::WriteInt(archive, options.rotation);
  vesk::WriteInt(archive, options.autoOrient ? 1 : 0);
  vesk::WriteInt(archive, options.boxSide1);
  vesk::WriteInt(archive, options.boxSide2);
  WriteWideString(archive, file.name);
  WriteText(archive, file.mimeType);
  WriteBytes(archive, file.data, file.size);
}

int32_t PropertiesRequestSize(const FileRef& file) { return RequestSize(file, false, 0); }

void WritePropertiesRequest(vesk::CArchiveOverBuffer& archive, const FileRef& file) {
  vesk::WriteInt(archive, kReadImageProperties);
  WriteWideString(archive, file.name);
  WriteBytes(archive, file.data, file.size);
}

int32_t PartialProbeRequestSize(const FileRef& head, int32_t tailSize) {
  return RequestSize(head, true, kIntSize + BlockSize(static_cast<size_t>(tailSize)));
}

void WritePartialProbeRequest(vesk::CArchiveOverBuffer& archive, const FileRef& head,
                              int32_t totalSize, const uint8_t* tail, int32_t tailSize) {
  vesk::WriteInt(archive, kProbePartialImage);
  WriteWideString(archive, head.name);
  WriteText(archive, head.mimeType);
  vesk::WriteInt(archive, totalSize);
  WriteBytes(archive, head.data, head.size);
  WriteBytes(archive, tail, tailSize);
}

FileInfoReply DecodeFileInfoReply(const std::vector<uint8_t>& payload) {
  vesk::CArchiveOverBuffer reply = Reader(payload);
  FileInfoReply decoded;
  decoded.known = vesk::ReadInt(reply) == 0;
  if (decoded.known) decoded.summary = ReadSummary(reply);
  return decoded;
}

BitmapReply DecodeBitmapReply(const std::vector<uint8_t>& payload) {
  vesk::CArchiveOverBuffer reply = Reader(payload);
  BitmapReply decoded;
  decoded.animated = vesk::ReadInt(reply) == 1;
  decoded.width = vesk::ReadInt(reply);
  decoded.height = vesk::ReadInt(reply);
  if (!decoded.animated) {
    decoded.frames.push_back(ReadFrame(reply, decoded.width, decoded.height));
    return decoded;
  }
  const int32_t count = vesk::ReadInt(reply);
  if (count < 0) throw std::runtime_error("Invalid reply");
  for (int32_t i = 0; i < count; ++i) {
    const int32_t width = vesk::ReadInt(reply);
    const int32_t height = vesk::ReadInt(reply);
    const int32_t delayMs = vesk::ReadInt(reply);
    const int32_t x = vesk::ReadInt(reply);
    const int32_t y = vesk::ReadInt(reply);
    Frame frame = ReadFrame(reply, width, height);
    frame.delayMs = delayMs;
    frame.x = x;
    frame.y = y;
    decoded.frames.push_back(std::move(frame));
  }
  return decoded;
}

PropertiesReply DecodePropertiesReply(const std::vector<uint8_t>& payload) {
  vesk::CArchiveOverBuffer reply = Reader(payload);
  PropertiesReply decoded;
  decoded.found = vesk::ReadInt(reply) == 0;
  if (!decoded.found) return decoded;
  decoded.properties = ReadPairs(reply);
  decoded.hostAttributes = ReadPairs(reply);
  return decoded;
}

PartialProbeReply DecodePartialProbeReply(const std::vector<uint8_t>& payload) {
  vesk::CArchiveOverBuffer reply = Reader(payload);
  PartialProbeReply decoded;
  vesk::ReadInt(reply);
  decoded.result = vesk::ReadInt(reply);
  decoded.needHead = vesk::ReadInt(reply);
  decoded.needTail = vesk::ReadInt(reply);
  if (decoded.result == 0) decoded.summary = ReadSummary(reply);
  return decoded;
}

}  // namespace zel::client
