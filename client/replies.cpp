#include "client/replies.h"

#include "rpc/archive_over_buffer.h"

namespace zel::client {

namespace {

protocol::FileInfoRequest FileInfoRequestOf(const FileRef& file) {
  return {.name = file.name, .mimeType = file.mimeType, .bytes = {file.data, file.size}};
}

protocol::BitmapRequest BitmapRequestOf(const FileRef& file, const BitmapOptions& options) {
  return {.rotation = options.rotation,
          .options = options.autoOrient ? protocol::kAutoOrientOption : 0,
          .boxSide1 = options.boxSide1,
          .boxSide2 = options.boxSide2,
          .name = file.name,
          .mimeType = file.mimeType,
          .bytes = {file.data, file.size}};
}

protocol::PropertiesRequest PropertiesRequestOf(const FileRef& file) {
  return {.name = file.name, .bytes = {file.data, file.size}};
}

protocol::PartialProbeRequest PartialProbeRequestOf(const FileRef& head, int32_t totalSize,
                                                    const uint8_t* tail, int32_t tailSize) {
  return {.name = head.name,
          .mimeType = head.mimeType,
          .totalSize = totalSize,
          .head = {head.data, head.size},
          .tail = {tail, tailSize}};
}

template <class Reply>
Reply Decode(const std::vector<uint8_t>& payload) {
  vesk::CArchiveOverBuffer archive(payload.data(), static_cast<int32_t>(payload.size()));
  return protocol::Read<Reply>(archive);
}

}  // namespace

int32_t FileInfoRequestSize(const FileRef& file) {
  return protocol::RequestSize(FileInfoRequestOf(file));
}

void WriteFileInfoRequest(vesk::CArchiveOverBuffer& archive, const FileRef& file) {
  protocol::WriteRequest(archive, FileInfoRequestOf(file));
}

// The options are Ints of a fixed size: the file alone decides the size.
int32_t BitmapRequestSize(const FileRef& file) {
  return protocol::RequestSize(BitmapRequestOf(file, {}));
}

void WriteBitmapRequest(vesk::CArchiveOverBuffer& archive, const FileRef& file,
                        const BitmapOptions& options) {
  protocol::WriteRequest(archive, BitmapRequestOf(file, options));
}

int32_t PropertiesRequestSize(const FileRef& file) {
  return protocol::RequestSize(PropertiesRequestOf(file));
}

void WritePropertiesRequest(vesk::CArchiveOverBuffer& archive, const FileRef& file) {
  protocol::WriteRequest(archive, PropertiesRequestOf(file));
}

int32_t PartialProbeRequestSize(const FileRef& head, int32_t tailSize) {
  return protocol::RequestSize(PartialProbeRequestOf(head, 0, nullptr, tailSize));
}

void WritePartialProbeRequest(vesk::CArchiveOverBuffer& archive, const FileRef& head,
                              int32_t totalSize, const uint8_t* tail, int32_t tailSize) {
  protocol::WriteRequest(archive, PartialProbeRequestOf(head, totalSize, tail, tailSize));
}

FileInfoReply DecodeFileInfoReply(const std::vector<uint8_t>& payload) {
  return Decode<FileInfoReply>(payload);
}

BitmapReply DecodeBitmapReply(const std::vector<uint8_t>& payload) {
  return Decode<BitmapReply>(payload);
}

PropertiesReply DecodePropertiesReply(const std::vector<uint8_t>& payload) {
  return Decode<PropertiesReply>(payload);
}

PartialProbeReply DecodePartialProbeReply(const std::vector<uint8_t>& payload) {
  return Decode<PartialProbeReply>(payload);
}

}  // namespace zel::client
