#include "documents/arabic_joining.h"

#include <algorithm>
#include <iterator>

#include "documents/combining_marks.h"
#include "util/strings.h"

namespace zel {
namespace {

// A letter and its presentation forms, which follow one another from `isolated` on in the order
// isolated, final, initial, medial. Two forms: the letter joins only the letter before it.
struct Letter {
  uint32_t letter;
  uint32_t isolated;
  int forms;
};

// The Arabic letters and the Persian and Urdu additions whose forms the base font carries.
constexpr Letter kLetters[] = {
    {0x0621, 0xFE80, 1}, {0x0622, 0xFE81, 2}, {0x0623, 0xFE83, 2}, {0x0624, 0xFE85, 2},
    {0x0625, 0xFE87, 2}, {0x0626, 0xFE89, 4}, {0x0627, 0xFE8D, 2}, {0x0628, 0xFE8F, 4},
    {0x0629, 0xFE93, 2}, {0x062A, 0xFE95, 4}, {0x062B, 0xFE99, 4}, {0x062C, 0xFE9D, 4},
    {0x062D, 0xFEA1, 4}, {0x062E, 0xFEA5, 4}, {0x062F, 0xFEA9, 2}, {0x0630, 0xFEAB, 2},
    {0x0631, 0xFEAD, 2}, {0x0632, 0xFEAF, 2}, {0x0633, 0xFEB1, 4}, {0x0634, 0xFEB5, 4},
    {0x0635, 0xFEB9, 4}, {0x0636, 0xFEBD, 4}, {0x0637, 0xFEC1, 4}, {0x0638, 0xFEC5, 4},
    {0x0639, 0xFEC9, 4}, {0x063A, 0xFECD, 4}, {0x0641, 0xFED1, 4}, {0x0642, 0xFED5, 4},
    {0x0643, 0xFED9, 4}, {0x0644, 0xFEDD, 4}, {0x0645, 0xFEE1, 4}, {0x0646, 0xFEE5, 4},
    {0x0647, 0xFEE9, 4}, {0x0648, 0xFEED, 2}, {0x0649, 0xFEEF, 2}, {0x064A, 0xFEF1, 4},
    {0x0679, 0xFB66, 4}, {0x067E, 0xFB56, 4}, {0x0686, 0xFB7A, 4}, {0x0688, 0xFB88, 2},
    {0x0691, 0xFB8C, 2}, {0x0698, 0xFB8A, 2}, {0x06A4, 0xFB6A, 4}, {0x06A9, 0xFB8E, 4},
    {0x06AD, 0xFBD3, 4}, {0x06AF, 0xFB92, 4}, {0x06BA, 0xFB9E, 2}, {0x06BE, 0xFBAA, 4},
    {0x06CC, 0xFBFC, 4}};

constexpr uint32_t kLam = 0x0644;
constexpr uint32_t kTatweel = 0x0640;
constexpr uint32_t kZeroWidthJoiner = 0x200D;

// Lam followed by one of these alefs becomes one ligature: isolated form, final form next.
struct LamAlef {
  uint32_t alef;
  uint32_t isolated;
};
constexpr LamAlef kLamAlefs[] = {
    {0x0622, 0xFEF5}, {0x0623, 0xFEF7}, {0x0625, 0xFEF9}, {0x0627, 0xFEFB}};

enum Form { kIsolated = 0, kFinal = 1, kInitial = 2, kMedial = 3 };

const Letter* FindLetter(uint32_t codePoint) {
  const auto* found =
      std::lower_bound(std::begin(kLetters), std::end(kLetters), codePoint,
                       [](const Letter& letter, uint32_t value) { return letter.letter < value; });
  return found != std::end(kLetters) && found->letter == codePoint ? found : nullptr;
}

const LamAlef* FindLamAlef(uint32_t codePoint) {
  for (const LamAlef& pair : kLamAlefs) {
    if (pair.alef == codePoint) return &pair;
  }
  return nullptr;
}

// Whether the character links to the letter after it (a dual-joining letter, the tatweel, the
// zero-width joiner).
bool JoinsNext(uint32_t codePoint) {
  if (codePoint == kTatweel || codePoint == kZeroWidthJoiner) return true;
  const Letter* letter = FindLetter(codePoint);
  return letter != nullptr && letter->forms == 4;
}

// Whether the character links to the letter before it.
bool JoinsPrevious(uint32_t codePoint) {
  if (codePoint == kTatweel || codePoint == kZeroWidthJoiner) return true;
  const Letter* letter = FindLetter(codePoint);
  return letter != nullptr && letter->forms > 1;
}

}  // namespace

std::string JoinArabicLetters(const std::string& text) {
  const auto decode = [&](size_t at, uint32_t& codePoint) {
    return static_cast<size_t>(
        vesku::DecodeUtf8(text.data() + at, static_cast<int32_t>(text.size() - at), codePoint));
  };
  std::string out;
  out.reserve(text.size());
  // Whether the last character that is not a mark links to the one after it. Marks sit on their
  // letter and do not break the link between two letters.
  bool linkedBefore = false;
  for (size_t at = 0; at < text.size();) {
    uint32_t codePoint = 0;
    const size_t used = decode(at, codePoint);
    const Letter* letter = FindLetter(codePoint);
    if (letter == nullptr) {
      out.append(text, at, used);
      if (!IsNonSpacingMark(codePoint)) linkedBefore = JoinsNext(codePoint);
      at += used;
      continue;
    }
    const size_t marksStart = at + used;
    size_t nextAt = marksStart;
    uint32_t next = 0;
    size_t nextUsed = 0;
    while (nextAt < text.size()) {
      nextUsed = decode(nextAt, next);
      if (!IsNonSpacingMark(next)) break;
      nextAt += nextUsed;
    }
    const bool hasNext = nextAt < text.size();
    const LamAlef* ligature = codePoint == kLam && hasNext ? FindLamAlef(next) : nullptr;
    if (ligature != nullptr) {
      // The marks of the lam follow the ligature that replaces both letters.
      vesku::AppendUtf8(ligature->isolated + (linkedBefore ? 1 : 0), out);
      out.append(text, marksStart, nextAt - marksStart);
      linkedBefore = false;
      at = nextAt + nextUsed;
      continue;
    }
    const bool linkedAfter = letter->forms == 4 && hasNext && JoinsPrevious(next);
    int form = kIsolated;
    if (letter->forms == 4 && linkedAfter) form = linkedBefore ? kMedial : kInitial;
    if (letter->forms >= 2 && linkedBefore && !linkedAfter) form = kFinal;
    vesku::AppendUtf8(letter->isolated + static_cast<uint32_t>(form), out);
    linkedBefore = JoinsNext(codePoint);
    at += used;
  }
  return out;
}

}  // namespace zel
