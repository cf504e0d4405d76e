#include "documents/cjk_fonts.h"

#include <array>

#include "documents/script_analysis.h"
#include "platform/fonts.h"

namespace zel {
namespace {

struct FontChoice {
  const char* family;
  const char* language;
};

// Sans-serif faces with TrueType outlines, the only outlines the PDF library embeds.
constexpr FontChoice kKana[] = {{"IPAGothic", "ja"}};
constexpr FontChoice kHangul[] = {{"NanumGothic", "ko"}};
constexpr FontChoice kHan[] = {{"WenQuanYi Micro Hei", "zh-cn"}, {"WenQuanYi Zen Hei", "zh-cn"}};

template <size_t N>
std::vector<CjkFontFile> Resolve(const FontChoice (&choices)[N]) {
  std::vector<CjkFontFile> files;
  for (const FontChoice& choice : choices) {
    platform::FontFile file;
    if (platform::FindLanguageFont(choice.family, choice.language, file) != 0) continue;
    const bool collection =
        file.path.size() > 4 && file.path.compare(file.path.size() - 4, 4, ".ttc") == 0;
    files.push_back({file.path, file.collectionIndex, collection});
  }
  return files;
}

struct FontTable {
  std::array<std::vector<CjkFontFile>, kScriptClassCount> byClass;
  FontTable() {
    byClass[kScriptKana] = Resolve(kKana);
    byClass[kScriptHangul] = Resolve(kHangul);
    byClass[kScriptHan] = Resolve(kHan);
  }
};

}  // namespace

const std::vector<CjkFontFile>& CjkFontCandidates(int scriptClass) {
  static const FontTable table;
  static const std::vector<CjkFontFile> none;
  if (scriptClass < 0 || scriptClass >= kScriptClassCount) return none;
  return table.byClass[static_cast<size_t>(scriptClass)];
}

}  // namespace zel
