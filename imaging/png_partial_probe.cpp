#include "imaging/png_partial_probe.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <exception>
#include <vector>

#include "imaging/png_crc.h"
#include "imaging/summarize_image.h"

namespace zel {

namespace {

// Requests for more bytes reach this far beyond what was seen, and never past the cap.
constexpr int64_t kNeedStep = 65536;
constexpr int64_t kMaxNeed = 1048576;

// Chunk framing: 4 bytes length, 4 bytes type, the data, 4 bytes CRC.
constexpr int64_t kChunkFrame = 12;

// The tail walk may have to try many start offsets before it finds a chunk, each costing a CRC
// over everything up to the chunk's end. Real files find each chunk at the first try; crafted ones
// could make the search quadratic, so the CRC work is capped at a multiple of the bytes searched.
constexpr int64_t kMinCrcBudget = 16 << 20;

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// What the head walk learnt about the chunks before and of the image data.
struct PngScan {
  int64_t firstIdatOffset = -1;
  std::vector<int64_t> idatEnds;  // ascending: the IDAT chunks seen follow each other
  int32_t exifCount = 0;
};

uint32_t ReadBigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

bool IsLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool TypeIsLetters(const uint8_t* type) {
  return IsLetter(type[0]) && IsLetter(type[1]) && IsLetter(type[2]) && IsLetter(type[3]);
}

bool TypeIs(const uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

bool IsExif(const uint8_t* type) { return TypeIs(type, "eXIf") || TypeIs(type, "exIf"); }

bool IsText(const uint8_t* type) {
  return TypeIs(type, "tEXt") || TypeIs(type, "iTXt") || TypeIs(type, "zTXt");
}

// `chunk` points at the length field of a chunk of `length` data bytes, all of which are at hand.
bool CrcMatches(const uint8_t* chunk, int64_t length) {
  const auto covered = static_cast<size_t>(length + 4);
  return PngCrc(chunk + 4, covered) == ReadBigEndian32(chunk + 4 + covered);
}

bool StartsWithIgnoringCase(const uint8_t* text, size_t length, const char* prefix) {
  const size_t prefixLength = std::strlen(prefix);
  if (length < prefixLength) return false;
  for (size_t i = 0; i < prefixLength; ++i) {
    if (std::tolower(text[i]) != std::tolower(static_cast<unsigned char>(prefix[i]))) return false;
  }
  return true;
}

// Text chunks whose keyword announces EXIF or TIFF data hold it in a form the ping does not read
// from partial data.
int32_t CheckText(const uint8_t* data, int64_t length) {
  const auto searched = static_cast<size_t>(std::min<int64_t>(length, 80));
  const void* zero = std::memchr(data, 0, searched);
  if (zero == nullptr) return kProbeImpossible;
  const size_t keywordLength = static_cast<size_t>(static_cast<const uint8_t*>(zero) - data);
  for (const char* prefix : {"raw profile type ", "exif:", "tiff:"}) {
    if (StartsWithIgnoringCase(data, keywordLength, prefix)) return kProbeImpossible;
  }
  return kProbeSummaryFilled;
}

// Asks for the head to reach file offset `target`.
int32_t AskForHead(const PartialImageData& partial, int64_t target, int32_t& needHead) {
  if (partial.headLength >= partial.totalSize || partial.totalSize < target || target > kMaxNeed) {
    return kProbeImpossible;
  }
  needHead = static_cast<int32_t>(std::min({partial.totalSize, target + kNeedStep, kMaxNeed}));
  return kProbeNeedMore;
}

// Walks the head's chunks up to the first chunk after the image data. 0: the image data was
// reached and everything before it is acceptable.
int32_t WalkHead(const PartialImageData& partial, PngScan& scan, int32_t& needHead) {
  const uint8_t* head = partial.head;
  const int64_t headLength = partial.headLength;
  int64_t at = 8;
  while (at + 8 <= headLength) {
    const uint32_t length = ReadBigEndian32(head + at);
    if ((length & 0x80000000u) != 0) return kProbeImpossible;
    const uint8_t* type = head + at + 4;
    if (!TypeIsLetters(type)) return kProbeImpossible;
    const int64_t end = at + length + kChunkFrame;
    if (at == 8 && !(TypeIs(type, "IHDR") && length == 13)) return kProbeImpossible;
    if (TypeIs(type, "IDAT")) {
      if (scan.firstIdatOffset < 0) scan.firstIdatOffset = at;
      scan.idatEnds.push_back(end);
    } else {
      if (scan.firstIdatOffset >= 0) return kProbeSummaryFilled;
      if (end > headLength) return AskForHead(partial, end + 8, needHead);
      if (!CrcMatches(head + at, length)) return kProbeImpossible;
      if (IsExif(type)) {
        ++scan.exifCount;
      } else if (IsText(type)) {
        if (CheckText(head + at + 8, length) != kProbeSummaryFilled) return kProbeImpossible;
      } else if (TypeIs(type, "IEND")) {
        return kProbeImpossible;
      }
    }
    at = end;
  }
  // The image data itself may be cut off; only what comes before it matters to a ping.
  if (scan.firstIdatOffset >= 0) return kProbeSummaryFilled;
  return AskForHead(partial, at + 8, needHead);
}

// Asks for a larger tail when one can still be had.
int32_t AskForTail(const PartialImageData& partial, int64_t searchedFrom, int32_t& needTail) {
  if (searchedFrom == 0 || partial.tailLength >= partial.totalSize ||
      partial.tailLength >= kMaxNeed) {
    return kProbeImpossible;
  }
  needTail = static_cast<int32_t>(std::min(partial.totalSize, kMaxNeed));
  return kProbeNeedMore;
}

// Bytes of the file the tail walk searches: the tail, or the head when it is the whole file.
struct Searched {
  const uint8_t* bytes;
  int64_t from;  // file offset of bytes[0]
  const uint8_t* At(int64_t offset) const { return bytes + (offset - from); }
};

// Walks chunks backwards from IEND until it meets the image data. 0: nothing after the image data
// keeps the ping from telling the truth; `exifOffset` is then the file offset of an EXIF chunk
// found there, or -1.
int32_t WalkTail(const PartialImageData& partial, PngScan& scan, int64_t& exifOffset,
                 int32_t& needTail) {
  Searched searched{partial.head, 0};
  if (partial.headLength < partial.totalSize) {
    if (partial.tailLength == 0) {
      needTail = static_cast<int32_t>(std::min(partial.totalSize, kNeedStep));
      return kProbeNeedMore;
    }
    searched = {partial.tail, partial.totalSize - partial.tailLength};
  }
  const int64_t available = partial.totalSize - searched.from;
  if (available < kChunkFrame) {
    if (partial.tailLength < partial.totalSize && partial.tailLength < kMaxNeed) {
      needTail = static_cast<int32_t>(std::min(partial.totalSize, kMaxNeed));
      return kProbeNeedMore;
    }
    return kProbeImpossible;
  }
  // The last 12 bytes are the same in every tail: when they are no IEND chunk (trailing data
  // after the image, or a file cut short), a larger tail cannot change the answer.
  const uint8_t* iend = searched.At(partial.totalSize - kChunkFrame);
  if (ReadBigEndian32(iend) != 0 || !TypeIs(iend + 4, "IEND") || !CrcMatches(iend, 0)) {
    return kProbeImpossible;
  }

  int64_t crcBudget = std::max(kMinCrcBudget, 2 * available);
  int64_t end = partial.totalSize - kChunkFrame;
  for (;;) {
    if (std::binary_search(scan.idatEnds.begin(), scan.idatEnds.end(), end)) {
      return kProbeSummaryFilled;
    }
    int64_t start = -1;
    for (int64_t candidate = end - kChunkFrame; candidate >= searched.from; --candidate) {
      const uint8_t* chunk = searched.At(candidate);
      const int64_t length = end - kChunkFrame - candidate;
      if (ReadBigEndian32(chunk) != length || !TypeIsLetters(chunk + 4)) continue;
      crcBudget -= length + 4;
      if (crcBudget < 0) return kProbeImpossible;
      if (CrcMatches(chunk, length)) {
        start = candidate;
        break;
      }
    }
    if (start < 0) return AskForTail(partial, searched.from, needTail);
    if (start < scan.firstIdatOffset) return kProbeImpossible;

    const uint8_t* type = searched.At(start) + 4;
    const uint8_t* data = type + 4;
    const int64_t length = end - kChunkFrame - start;
    if (TypeIs(type, "IDAT")) return kProbeSummaryFilled;
    if (TypeIs(type, "iTXt") && length > 16 &&
        StartsWithIgnoringCase(data, static_cast<size_t>(length), "XML:com.adobe.xmp")) {
      // XMP after the image data is read by a full decode only.
      return kProbeImpossible;
    }
    if (IsExif(type)) {
      ++scan.exifCount;
      exifOffset = start;
    } else if (IsText(type)) {
      if (CheckText(data, length) != kProbeSummaryFilled) return kProbeImpossible;
    } else if (!TypeIs(type, "tIME")) {
      return kProbeImpossible;
    }
    end = start;
  }
}

// The head with an EXIF chunk found after the image data moved in front of the image data, where
// a ping, which stops at the image data, reads it. Empty when the result would be too large to be
// pinged.
std::vector<uint8_t> WithExifMovedForward(const PartialImageData& partial, const PngScan& scan,
                                          int64_t exifOffset) {
  const bool headIsWholeFile = partial.headLength >= partial.totalSize;
  const uint8_t* chunk =
      headIsWholeFile ? partial.head + exifOffset
                      : partial.tail + (exifOffset - (partial.totalSize - partial.tailLength));
  const int64_t chunkSize = int64_t{ReadBigEndian32(chunk)} + kChunkFrame;
  if (partial.headLength + chunkSize > INT32_MAX) return {};
  const auto split = static_cast<size_t>(scan.firstIdatOffset);
  std::vector<uint8_t> moved;
  moved.reserve(static_cast<size_t>(partial.headLength + chunkSize));
  moved.insert(moved.end(), partial.head, partial.head + split);
  moved.insert(moved.end(), chunk, chunk + chunkSize);
  moved.insert(moved.end(), partial.head + split, partial.head + partial.headLength);
  return moved;
}

int32_t ProbeWalkedPng(const PartialImageData& partial, ImageSummary& summary, int32_t& needHead,
                       int32_t& needTail) {
  PngScan scan;
  const int32_t headResult = WalkHead(partial, scan, needHead);
  if (headResult == kProbeImpossible) return kProbeImpossible;
  if (headResult == kProbeNeedMore) {
    // The tail will be needed too; ask for it now to save a round trip.
    if (partial.tailLength == 0 && partial.headLength < partial.totalSize) {
      needTail = static_cast<int32_t>(std::min(partial.totalSize, kNeedStep));
    }
    return kProbeNeedMore;
  }
  int64_t exifOffset = -1;
  const int32_t tailResult = WalkTail(partial, scan, exifOffset, needTail);
  if (tailResult != kProbeSummaryFilled) return tailResult;
  // Two EXIF chunks may disagree, and the full decode would keep only one of them.
  if (scan.exifCount >= 2) return kProbeImpossible;

  if (exifOffset < 0) {
    return PingImageSummary(partial.head, partial.headLength, partial.name, summary)
               ? kProbeSummaryFilled
               : kProbeImpossible;
  }
  const std::vector<uint8_t> moved = WithExifMovedForward(partial, scan, exifOffset);
  if (moved.empty()) return kProbeImpossible;
  return PingImageSummary(moved.data(), static_cast<int32_t>(moved.size()), partial.name, summary)
             ? kProbeSummaryFilled
             : kProbeImpossible;
}

}  // namespace

int32_t ProbePng(const PartialImageData& partial, ImageSummary& summary, int32_t& needHead,
                 int32_t& needTail) {
  if (partial.headLength <= 7 || std::memcmp(partial.head, kSignature, 8) != 0) {
    return kProbeImpossible;
  }
  // The image library's errors and a failed allocation are answers too: not from partial data.
  try {
    return ProbeWalkedPng(partial, summary, needHead, needTail);
  } catch (const std::exception&) {
    needHead = 0;
    needTail = 0;
    return kProbeImpossible;
  }
}

}  // namespace zel
