// The bytes a channel's mapping holds, shared with the viewer process: a 24-byte header followed
// by the data area, a ring of messages each starting with a 36-byte header. Every field is a
// 32-bit signed little-endian integer; offsets are relative to the data area.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vesku_rpc {

enum MessageState : int32_t { Writing = 0, Posted = 1, Taken = 2, Released = 3 };

struct RpcChannelHeader {
  int32_t dataOffset;  // always 24
  int32_t count;       // messages in the ring, in any state
  int32_t capacity;    // bytes in the data area
  int32_t closed;      // non-zero once a side has closed the channel
  int32_t head;        // offset of the oldest message
  int32_t tail;        // offset where the next message goes
};

struct RpcMessage {
  int32_t state;    // MessageState, changed only by atomic exchange
  int32_t marker;   // 1 from allocation on
  int32_t length;   // payload bytes
  int32_t padding;  // bytes after the payload that belong to the message
  int32_t status;   // 0, or the error code of a failed request in a reply
  uint8_t correlation[16];
};

// The size of each channel mapping when the viewer asks for the default (a size of -1).
inline constexpr int32_t kDefaultChannelSize = 209715200;

inline constexpr int32_t kChannelHeaderSize = 24;
inline constexpr int32_t kMessageHeaderSize = 36;

static_assert(sizeof(RpcChannelHeader) == kChannelHeaderSize);
static_assert(sizeof(RpcMessage) == kMessageHeaderSize);
static_assert(offsetof(RpcChannelHeader, tail) == 20);
static_assert(offsetof(RpcMessage, status) == 16 && offsetof(RpcMessage, correlation) == 20);

}  // namespace vesku_rpc
