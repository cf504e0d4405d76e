// Script and writing-direction facts of a paragraph: which fonts its characters need (Latin and
// other alphabets, kana, Hangul, Han) and how right-to-left text is reordered for display.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zel {

// Script classes: which font a character needs.
inline constexpr int kScriptNeutral = 0;  // spaces, digits, punctuation: any font
inline constexpr int kScriptOther = 1;    // every other script: the base font where it has them
inline constexpr int kScriptKana = 2;
inline constexpr int kScriptHangul = 3;
inline constexpr int kScriptHan = 4;
inline constexpr int kScriptClassCount = 6;

int ScriptClassOf(uint32_t codePoint);
bool IsRightToLeft(uint32_t codePoint);

enum class Direction : uint8_t { kLeftToRight, kRightToLeft, kNeutral };

struct ScriptCharacter {
  uint32_t codePoint = 0;
  Direction direction = Direction::kNeutral;
  // A non-spacing mark: it counts for neither direction and goes with the character before it.
  bool mark = false;
  // For neutral characters: the strong direction met before and after them.
  Direction before = Direction::kLeftToRight;
  Direction after = Direction::kLeftToRight;
};

struct ScriptAnalysis {
  // 0: nothing but neutral characters; 2: kana or Hangul; 4: Han but neither; 1: otherwise.
  int textClass = kScriptNeutral;
  bool hasRightToLeft = false;
  bool rightToLeftMajority = false;
  // Only when hasRightToLeft: the characters in logical order, neutrals resolved where the
  // strong characters around them agree.
  std::vector<ScriptCharacter> characters;
};

ScriptAnalysis AnalyseScript(const std::string& text);

// The analysed text in display order, UTF-8. With `rightToLeftBase` and a right-to-left majority
// the line reads from the right (left-to-right runs keep their order inside it); otherwise from the
// left, with each right-to-left run reversed in place.
std::string ToVisualOrder(const ScriptAnalysis& analysis, bool rightToLeftBase);

struct TextSegment {
  size_t start = 0;   // byte offset in the text
  size_t length = 0;  // bytes
  int scriptClass = kScriptNeutral;
  float width = 0;  // points, filled by measuring
};

// The run of text from `position` on that one font can set (leading neutrals take the class of
// what follows; Han characters inside kana or Hangul text stay with it), or nothing at the end of
// `text`. `position` advances past the segment.
std::optional<TextSegment> NextSegment(const char* text, size_t length, size_t& position);

}  // namespace zel
