#include "platform/fonts.h"

#include <fontconfig/fontconfig.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <memory>

#include "platform/posix/native_path.h"
#include "platform/screen.h"

namespace zel::platform {
namespace {

// The message font is 9 points; its pixel height follows the screen's resolution.
constexpr int kMessageFontPoints = 9;

struct PatternDeleter {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

std::atomic<bool> g_hide_message_font{false};

// Fontconfig says "TrueType" only for glyf outlines; CFF-flavoured OpenType reports "CFF".
bool HasTrueTypeOutlines(FcPattern* font) {
  FcChar8* format = nullptr;
  return FcPatternGetString(font, FC_FONTFORMAT, 0, &format) == FcResultMatch &&
         std::strcmp(reinterpret_cast<const char*>(format), "TrueType") == 0;
}

// The font configuration of the process, loaded on first use and released at exit. An owned
// configuration rather than the library's implicit one, which is never given back.
class FontConfiguration {
 public:
  FontConfiguration() : config_(FcInitLoadConfigAndFonts()) {}
  ~FontConfiguration() {
    if (config_ != nullptr) FcConfigDestroy(config_);
  }
  FontConfiguration(const FontConfiguration&) = delete;
  FontConfiguration& operator=(const FontConfiguration&) = delete;
  FcConfig* get() const { return config_; }

 private:
  FcConfig* config_;
};

FcConfig* Configuration() {
  static const FontConfiguration configuration;
  return configuration.get();
}

// The best installed match for `pattern`, or null.
PatternPtr Match(FcPattern* pattern) {
  FcConfig* configuration = Configuration();
  if (configuration == nullptr) return nullptr;
  FcConfigSubstitute(configuration, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  return PatternPtr(FcFontMatch(configuration, pattern, &result));
}

// Appends every entry of `list` and releases it.
void AppendAll(FcStrList* list, std::vector<std::string>& paths) {
  if (list == nullptr) return;
  while (const FcChar8* path = FcStrListNext(list)) {
    paths.emplace_back(reinterpret_cast<const char*>(path));
  }
  FcStrListDone(list);
}

// In one read: a font file is large (CJK fonts run to megabytes) and is read for every document.
bool ReadFontFile(const char* path, std::vector<uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return false;
  const std::streamoff size = in.tellg();
  if (size <= 0) return false;
  bytes.resize(static_cast<size_t>(size));
  in.seekg(0);
  return static_cast<bool>(in.read(reinterpret_cast<char*>(bytes.data()), size));
}

}  // namespace

void HideMessageFontForTesting(bool hidden) { g_hide_message_font.store(hidden); }

bool GetMessageFont(MessageFont& font) {
  if (g_hide_message_font.load()) return false;
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) return false;
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
  FcPatternAddString(pattern.get(), FC_FONTFORMAT, reinterpret_cast<const FcChar8*>("TrueType"));
  PatternPtr match = Match(pattern.get());
  if (!match || !HasTrueTypeOutlines(match.get())) return false;
  FcChar8* family = nullptr;
  FcChar8* file = nullptr;
  if (FcPatternGetString(match.get(), FC_FAMILY, 0, &family) != FcResultMatch ||
      FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) {
    return false;
  }
  font.faceName = FromNativeName(reinterpret_cast<const char*>(family));
  font.heightPixels = (kMessageFontPoints * ScreenDotsPerInchY() + 36) / 72;
  return ReadFontFile(reinterpret_cast<const char*>(file), font.fileBytes);
}

std::vector<std::string> LoadFontConfiguration() {
  std::vector<std::string> paths;
  FcConfig* configuration = Configuration();
  if (configuration == nullptr) return paths;
  AppendAll(FcConfigGetConfigDirs(configuration), paths);
  AppendAll(FcConfigGetConfigFiles(configuration), paths);
  AppendAll(FcConfigGetFontDirs(configuration), paths);
  AppendAll(FcConfigGetCacheDirs(configuration), paths);
  return paths;
}

bool FindLanguageFont(const std::string& family, const std::string& language, FontFile& file) {
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) return false;
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddString(pattern.get(), FC_FONTFORMAT, reinterpret_cast<const FcChar8*>("TrueType"));
  PatternPtr match = Match(pattern.get());
  if (!match || !HasTrueTypeOutlines(match.get())) return false;
  // Fontconfig always answers with something; only the asked-for family covering the language
  // counts.
  FcChar8* matchedFamily = nullptr;
  FcChar8* path = nullptr;
  FcLangSet* languages = nullptr;
  int index = 0;
  if (FcPatternGetString(match.get(), FC_FAMILY, 0, &matchedFamily) != FcResultMatch ||
      family != reinterpret_cast<const char*>(matchedFamily) ||
      FcPatternGetLangSet(match.get(), FC_LANG, 0, &languages) != FcResultMatch ||
      FcLangSetHasLang(languages, reinterpret_cast<const FcChar8*>(language.c_str())) ==
          FcLangDifferentLang ||
      FcPatternGetString(match.get(), FC_FILE, 0, &path) != FcResultMatch) {
    return false;
  }
  FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
  file.path = reinterpret_cast<const char*>(path);
  file.collectionIndex = index;
  return true;
}

}  // namespace zel::platform
