#include "documents/line_breaks.h"

#include <string_view>

#include "documents/combining_marks.h"
#include "documents/script_analysis.h"

namespace zel {
namespace {

// Closing punctuation, small kana, iteration and prolonged-sound marks: never first on a line.
constexpr std::u32string_view kNoBreakBefore =
    U"!),.:;?]}\u00BB\u2019\u201D\u2025\u2026\u203A\u203C\u2047\u2048\u2049"
    U"\u3001\u3002\u3005\u3009\u300B\u300D\u300F\u3011\u3015\u3017\u3019\u301B\u301E\u301F"
    U"\u303B\u3041\u3043\u3045\u3047\u3049\u3063\u3083\u3085\u3087\u308E\u3095\u3096"
    U"\u309D\u309E\u30A0\u30A1\u30A3\u30A5\u30A7\u30A9\u30C3\u30E3\u30E5\u30E7\u30EE\u30F5"
    U"\u30F6\u30FB\u30FC\u30FD\u30FE\uFF01\uFF09\uFF0C\uFF0E\uFF1A\uFF1B\uFF1F\uFF3D\uFF5D"
    U"\uFF5E\uFF60\uFF61\uFF63\uFF64\uFF65\uFF70\uFF9E\uFF9F\u301C";
// Opening punctuation: never last on a line.
constexpr std::u32string_view kNoBreakAfter =
    U"([{\u00AB\u2018\u201C\u2039\u3008\u300A\u300C\u300E\u3010\u3014\u3016\u3018\u301A"
    U"\u301D\uFF08\uFF3B\uFF5B\uFF5F\uFF62";

bool IsIdeographic(uint32_t codePoint) {
  const int scriptClass = ScriptClassOf(codePoint);
  return scriptClass == kScriptKana || scriptClass == kScriptHangul || scriptClass == kScriptHan;
}

}  // namespace

bool LineBreakAllowed(uint32_t before, uint32_t after) {
  if (IsNonSpacingMark(after) || after == U' ') return false;
  if (before == U' ') return true;
  if (!IsIdeographic(before) && !IsIdeographic(after)) return false;
  return kNoBreakBefore.find(after) == std::u32string_view::npos &&
         kNoBreakAfter.find(before) == std::u32string_view::npos;
}

}  // namespace zel
