#include "documents/script_analysis.h"

#include <array>
#include <utility>

#include "documents/combining_marks.h"
#include "util/strings.h"

namespace zel {
namespace {

constexpr uint32_t kReplacement = 0xFFFD;

using Range = std::pair<uint32_t, uint32_t>;

template <size_t N>
bool InRanges(const std::array<Range, N>& ranges, uint32_t codePoint) {
  for (const auto& [first, last] : ranges) {
    if (codePoint >= first && codePoint <= last) return true;
  }
  return false;
}

constexpr std::array<Range, 3> kHangul = {{{0xAC00, 0xD7AF}, {0x1100, 0x11FF}, {0x3130, 0x318F}}};
constexpr std::array<Range, 6> kHan = {{{0x4E00, 0x9FFF},
                                        {0x3400, 0x4DBF},
                                        {0x20000, 0x2A6DF},
                                        {0x2A700, 0x2EBEF},
                                        {0x30000, 0x3134F},
                                        {0x3000, 0x303F}}};
constexpr std::array<Range, 8> kScriptNeutrals = {{{0x0020, 0x0040},
                                                   {0x005B, 0x0060},
                                                   {0x007B, 0x007E},
                                                   {0x00A2, 0x00BF},
                                                   {0x2000, 0x206F},
                                                   {0x20A0, 0x20CF},
                                                   {0x2150, 0x218F},
                                                   {0x2200, 0x22FF}}};
// Hebrew, Arabic, Syriac, Thaana, N'Ko and related letters, without their combining marks.
constexpr std::array<Range, 36> kRightToLeft = {
    {{0x05BE, 0x05BE},   {0x05C0, 0x05C0},   {0x05C3, 0x05C3},   {0x05C6, 0x05C6},
     {0x05D0, 0x05F4},   {0x0608, 0x0608},   {0x060B, 0x060B},   {0x060D, 0x060D},
     {0x061B, 0x064A},   {0x066D, 0x066F},   {0x0671, 0x06D5},   {0x06E5, 0x06E6},
     {0x06EE, 0x06EF},   {0x06FA, 0x0710},   {0x0712, 0x072F},   {0x074D, 0x07A5},
     {0x07B1, 0x07EA},   {0x07F4, 0x07F5},   {0x07FA, 0x0815},   {0x081A, 0x081A},
     {0x0824, 0x0824},   {0x0828, 0x0828},   {0x0830, 0x0858},   {0x085E, 0x08AC},
     {0x200F, 0x200F},   {0xFB1D, 0xFB1D},   {0xFB1F, 0xFB28},   {0xFB2A, 0xFD3D},
     {0xFD50, 0xFDFC},   {0xFE70, 0xFEFC},   {0x10800, 0x1091B}, {0x10920, 0x10A00},
     {0x10A10, 0x10A33}, {0x10A40, 0x10B35}, {0x10B40, 0x10C48}, {0x1EE00, 0x1EEBB}}};
// Characters that take the direction of the text around them (the Arabic comma among them,
// which separates Arabic words as the Latin comma does Latin ones).
constexpr std::array<Range, 17> kDirectionNeutrals = {{{0x000C, 0x000C},
                                                       {0x0020, 0x002F},
                                                       {0x003A, 0x0040},
                                                       {0x005B, 0x0060},
                                                       {0x007B, 0x007E},
                                                       {0x00A1, 0x00A1},
                                                       {0x00A6, 0x00A9},
                                                       {0x00AB, 0x00AB},
                                                       {0x00AC, 0x00AC},
                                                       {0x00AE, 0x00AE},
                                                       {0x00AF, 0x00AF},
                                                       {0x00B4, 0x00B4},
                                                       {0x00B6, 0x00B8},
                                                       {0x00BB, 0x00BF},
                                                       {0x00D7, 0x00D7},
                                                       {0x00F7, 0x00F7},
                                                       {0x060C, 0x060C}}};

Direction DirectionOf(uint32_t codePoint) {
  if (InRanges(kDirectionNeutrals, codePoint)) return Direction::kNeutral;
  return IsRightToLeft(codePoint) ? Direction::kRightToLeft : Direction::kLeftToRight;
}

// Calls `visit(codePoint, offset)` for every character of `text`; bytes that do not decode, and
// U+FFFD itself, are passed over.
template <typename Visit>
void ForEachCharacter(const char* text, size_t length, size_t from, Visit&& visit) {
  size_t at = from;
  while (at < length) {
    uint32_t codePoint = 0;
    const int used = vesku::DecodeUtf8(text + at, static_cast<int32_t>(length - at), codePoint);
    if (used <= 0) break;
    if (codePoint != kReplacement && !visit(codePoint, at)) return;
    at += static_cast<size_t>(used);
  }
}

void ResolveDirections(const std::string& text, ScriptAnalysis& analysis) {
  auto& characters = analysis.characters;
  // Marks are passed over while neutrals are resolved and take the direction of the character
  // they follow at the end: a vowel sign belongs to its letter, wherever that letter is drawn.
  Direction running = Direction::kLeftToRight;
  ForEachCharacter(text.data(), text.size(), 0, [&](uint32_t codePoint, size_t) {
    ScriptCharacter entry{codePoint, DirectionOf(codePoint)};
    entry.mark = IsNonSpacingMark(codePoint);
    if (entry.mark) {
      entry.direction = Direction::kNeutral;
    } else if (entry.direction == Direction::kNeutral) {
      entry.before = running;
    } else {
      running = entry.direction;
    }
    characters.push_back(entry);
    return true;
  });
  running = Direction::kLeftToRight;
  for (auto it = characters.rbegin(); it != characters.rend(); ++it) {
    if (it->mark) continue;
    if (it->direction == Direction::kNeutral) {
      it->after = running;
      if (it->before == it->after) it->direction = it->before;
    }
    if (it->direction != Direction::kNeutral) running = it->direction;
  }
  Direction base = Direction::kNeutral;
  int leftToRight = 0;
  int rightToLeft = 0;
  for (auto& entry : characters) {
    if (entry.mark) {
      entry.direction = base;
      continue;
    }
    base = entry.direction;
    if (entry.direction == Direction::kLeftToRight) ++leftToRight;
    if (entry.direction == Direction::kRightToLeft) ++rightToLeft;
  }
  analysis.rightToLeftMajority =
      leftToRight + rightToLeft > 0 && rightToLeft * 100 / (leftToRight + rightToLeft) > 50;
}

}  // namespace

int ScriptClassOf(uint32_t codePoint) {
  if (codePoint >= 0x3040 && codePoint <= 0x30FF) return kScriptKana;
  if (InRanges(kHangul, codePoint)) return kScriptHangul;
  if (InRanges(kHan, codePoint)) return kScriptHan;
  // Half-width katakana and Hangul, and the full-width forms that Chinese and Japanese text uses
  // for its punctuation: only the CJK fonts carry them.
  if (codePoint >= 0xFF61 && codePoint <= 0xFF9F) return kScriptKana;
  if (codePoint >= 0xFFA0 && codePoint <= 0xFFDC) return kScriptHangul;
  if (codePoint >= 0xFF00 && codePoint <= 0xFFEF) return kScriptHan;
  if (InRanges(kScriptNeutrals, codePoint)) return kScriptNeutral;
  return kScriptOther;
}

bool IsRightToLeft(uint32_t codePoint) { return InRanges(kRightToLeft, codePoint); }

ScriptAnalysis AnalyseScript(const std::string& text) {
  ScriptAnalysis analysis;
  bool nonNeutral = false;
  bool kanaOrHangul = false;
  bool han = false;
  ForEachCharacter(text.data(), text.size(), 0, [&](uint32_t codePoint, size_t) {
    const int scriptClass = ScriptClassOf(codePoint);
    if (scriptClass != kScriptNeutral) nonNeutral = true;
    if (scriptClass == kScriptKana || scriptClass == kScriptHangul) kanaOrHangul = true;
    if (scriptClass == kScriptHan) han = true;
    if (IsRightToLeft(codePoint)) analysis.hasRightToLeft = true;
    return !(analysis.hasRightToLeft && nonNeutral);
  });
  if (!nonNeutral) {
    analysis.textClass = kScriptNeutral;
  } else if (kanaOrHangul) {
    analysis.textClass = kScriptKana;
  } else if (han) {
    analysis.textClass = kScriptHan;
  } else {
    analysis.textClass = kScriptOther;
  }
  if (analysis.hasRightToLeft) ResolveDirections(text, analysis);
  return analysis;
}

std::string ToVisualOrder(const ScriptAnalysis& analysis, bool rightToLeftBase) {
  const auto& characters = analysis.characters;
  std::string out;
  std::vector<uint32_t> pending;
  // Pending runs are written back to front: in the backward walk that restores their logical
  // order, in the forward walk it reverses them.
  const auto flush = [&] {
    for (auto it = pending.rbegin(); it != pending.rend(); ++it) vesku::AppendUtf8(*it, out);
    pending.clear();
  };
  const auto place = [&](const ScriptCharacter& entry, Direction written) {
    if (entry.direction == written) {
      flush();
      vesku::AppendUtf8(entry.codePoint, out);
    } else {
      pending.push_back(entry.codePoint);
    }
  };
  if (rightToLeftBase && analysis.rightToLeftMajority) {
    for (auto it = characters.rbegin(); it != characters.rend(); ++it) {
      place(*it, Direction::kRightToLeft);
    }
  } else {
    for (const auto& entry : characters) place(entry, Direction::kLeftToRight);
  }
  flush();
  return out;
}

std::optional<TextSegment> NextSegment(const char* text, size_t length, size_t& position) {
  if (position >= length) return std::nullopt;
  TextSegment segment;
  segment.start = position;
  bool first = true;
  size_t end = length;
  ForEachCharacter(text, length, position, [&](uint32_t codePoint, size_t offset) {
    const int d = ScriptClassOf(codePoint);
    int& c = segment.scriptClass;
    if (first) {
      c = d;
      first = false;
      return true;
    }
    // A mark is drawn with the letter it sits on.
    if (IsNonSpacingMark(codePoint)) return true;
    const bool kanaOrHangul = d == kScriptKana || d == kScriptHangul;
    if (c == kScriptNeutral || (kanaOrHangul && c == kScriptHan)) {
      if (d != kScriptNeutral) c = d;
      return true;
    }
    if (d == c || d == kScriptNeutral ||
        (d == kScriptHan && (c == kScriptKana || c == kScriptHangul))) {
      return true;
    }
    end = offset;
    return false;
  });
  segment.length = end - segment.start;
  position = end;
  return segment;
}

}  // namespace zel
