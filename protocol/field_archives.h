// How messages are read, written and counted. Each message of the protocol lists its values once,
// in wire order, in a function template `Fields(archive, message)`; the two archives below give
// that one list its direction. FieldReader fills a `Message` from a request or reply;
// FieldWriter takes a `const Message` and writes it into a buffer or, over a
// vesk::CCountingArchive, only counts its bytes.
#pragma once

#include <concepts>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "rpc/archive.h"
#include "rpc/archive_over_buffer.h"
#include "rpc/archive_values.h"
#include "rpc/counting_archive.h"

namespace zel::protocol {

// `M` is `Message` or `const Message`: the reader passes the one, the writers the other.
template <class M, class Message>
concept MessageOf = std::same_as<std::remove_const_t<M>, Message>;

// `message` as its base `Base`, as const as `message` is.
template <class Base, class M>
constexpr auto& PartOf(M& message) {
  if constexpr (std::is_const_v<M>) {
    return static_cast<const Base&>(message);
  } else {
    return static_cast<Base&>(message);
  }
}

// A rule that a reply's values keep (only replies carry them): "Invalid reply" when broken.
inline void CheckReply(bool holds) {
  if (!holds) throw std::runtime_error("Invalid reply");
}

// Values map to archive values by type: int32_t to Int, std::string to String, std::u16string to
// WideString, BinaryView and std::vector<uint8_t> to Binary. Any other std::vector is a list (an
// Int count, then its items), and any other type is a message with `Fields` of its own.
class FieldReader {
 public:
  explicit FieldReader(vesk::CArchiveOverBuffer& archive) : archive_(archive) {}

  template <class... Values>
  void operator()(Values&... values) {
    (Read(values), ...);
  }

  // An Int that stands for `flag`: `set` when it holds, `clear` when not. A reader takes every
  // value other than `set` as clear.
  void Flag(bool& flag, int32_t set, int32_t /*clear*/) { flag = vesk::ReadInt(archive_) == set; }
  // An Int the writer always sends as `value`; a reader does not look at it.
  void Constant(int32_t /*value*/) { vesk::ReadInt(archive_); }
  void Check(bool holds) { CheckReply(holds); }

 private:
  void Read(int32_t& value) { value = vesk::ReadInt(archive_); }
  void Read(std::string& text) { text = vesk::ReadString(archive_); }
  void Read(std::u16string& text) { text = vesk::ReadWideString(archive_); }
  // In place: the bytes stay valid as long as the buffer the archive reads.
  void Read(vesk::BinaryView& bytes) { bytes = vesk::ReadBinary(archive_); }
  void Read(std::vector<uint8_t>& bytes) {
    const vesk::BinaryView block = vesk::ReadBinary(archive_);
    bytes.assign(block.data, block.data + block.size);
  }
  template <class Item>
  void Read(std::vector<Item>& items) {
    const int32_t count = vesk::ReadInt(archive_);
    Check(count >= 0);
    items.clear();
    // Grown item by item: a count that the data does not hold ends in a read error, not in a
    // huge allocation.
    for (int32_t i = 0; i < count; ++i) Read(items.emplace_back());
  }
  template <class Message>
  void Read(Message& message) {
    Fields(*this, message);
  }

  vesk::CArchiveOverBuffer& archive_;
};

// Over a vesk::CArchiveOverBuffer bound for writing, or over a vesk::CCountingArchive.
template <class Archive>
class FieldWriter {
 public:
  constexpr explicit FieldWriter(Archive& archive) : archive_(archive) {}

  template <class... Values>
  constexpr void operator()(const Values&... values) {
    (Write(values), ...);
  }

  constexpr void Flag(bool flag, int32_t set, int32_t clear) {
    vesk::WriteInt(archive_, flag ? set : clear);
  }
  constexpr void Constant(int32_t value) { vesk::WriteInt(archive_, value); }
  void Check(bool holds) { CheckReply(holds); }

 private:
  constexpr void Write(int32_t value) { vesk::WriteInt(archive_, value); }
  void Write(const std::string& text) { vesk::WriteString(archive_, text); }
  void Write(const std::u16string& text) { vesk::WriteWideString(archive_, text); }
  void Write(vesk::BinaryView bytes) { vesk::WriteBinary(archive_, bytes); }
  void Write(const std::vector<uint8_t>& bytes) {
    // Longer than a value may carry: -1, which no writer accepts.
    const int32_t size = bytes.size() > static_cast<size_t>(vesk::kMaxValueLength)
                             ? -1
                             : static_cast<int32_t>(bytes.size());
    Write(vesk::BinaryView{bytes.data(), size});
  }
  template <class Item>
  void Write(const std::vector<Item>& items) {
    vesk::WriteInt(archive_, static_cast<int32_t>(items.size()));
    for (const Item& item : items) Write(item);
  }
  template <class Message>
  constexpr void Write(const Message& message) {
    Fields(*this, message);
  }

  Archive& archive_;
};

}  // namespace zel::protocol
