// The viewer's side of the messages: a file and the options of a bitmap become the protocol's
// requests, written in place into a request message, and reply payloads become the protocol's
// replies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/messages.h"
#include "rpc/archive_values.h"

namespace zel::client {

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

using protocol::BitmapReply;
using protocol::FileInfoReply;
using protocol::Frame;
using protocol::PartialProbeReply;
using protocol::PropertiesReply;
using vesk::WriteWideString;

// Request sizes and contents, opcode included. A size past what a request can carry throws
// "Request too large".
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
// must hold throws the archive's read errors, or "Invalid reply".
FileInfoReply DecodeFileInfoReply(const std::vector<uint8_t>& payload);
BitmapReply DecodeBitmapReply(const std::vector<uint8_t>& payload);
PropertiesReply DecodePropertiesReply(const std::vector<uint8_t>& payload);
PartialProbeReply DecodePartialProbeReply(const std::vector<uint8_t>& payload);

}  // namespace zel::client
