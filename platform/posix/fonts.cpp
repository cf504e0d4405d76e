#include "platform/fonts.h"

#include <fontconfig/fontconfig.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <memory>

#include "platform/error_codes.h"
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

struct FontSetDeleter {
  void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};
using FontSetPtr = std::unique_ptr<FcFontSet, FontSetDeleter>;

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

const FontConfiguration& Configuration() {
  static const FontConfiguration configuration;
  return configuration;
}

// The best installed match for `pattern`, or null.
PatternPtr Match(FcPattern* pattern) {
  FcConfig* config = Configuration().get();
  if (config == nullptr) return nullptr;
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  return PatternPtr(FcFontMatch(config, pattern, &result));
}

// Every installed font in the order fontconfig prefers them for sans-serif text, sorted once
// for the process: finding a font for a character then costs a walk over coverage sets rather
// than a font match, however many different characters a document holds.
class FontOrder {
 public:
  FontOrder() {
    FcConfig* config = Configuration().get();
    PatternPtr pattern(FcPatternCreate());
    if (config == nullptr || !pattern) return;
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    FcConfigSubstitute(config, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    fonts_.reset(FcFontSort(config, pattern.get(), FcFalse, nullptr, &result));
  }
  const FcFontSet* fonts() const { return fonts_.get(); }

 private:
  FontSetPtr fonts_;
};

const FontOrder& SansSerifOrder() {
  static const FontOrder order;
  return order;
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

int32_t GetMessageFont(MessageFont& font) {
  if (g_hide_message_font.load()) return kErrorFileNotFound;
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) return kErrorFileNotFound;
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
  FcPatternAddString(pattern.get(), FC_FONTFORMAT, reinterpret_cast<const FcChar8*>("TrueType"));
  PatternPtr match = Match(pattern.get());
  if (!match || !HasTrueTypeOutlines(match.get())) return kErrorFileNotFound;
  FcChar8* family = nullptr;
  FcChar8* file = nullptr;
  if (FcPatternGetString(match.get(), FC_FAMILY, 0, &family) != FcResultMatch ||
      FcPatternGetString(match.get(), FC_FILE, 0, &file) != FcResultMatch) {
    return kErrorFileNotFound;
  }
  font.faceName = FromNativeName(reinterpret_cast<const char*>(family));
  font.heightPixels = (kMessageFontPoints * ScreenDotsPerInchY() + 36) / 72;
  return ReadFontFile(reinterpret_cast<const char*>(file), font.fileBytes) ? 0 : kErrorFileNotFound;
}

std::vector<std::string> LoadFontConfiguration() {
  std::vector<std::string> paths;
  FcConfig* configuration = Configuration().get();
  if (configuration == nullptr) return paths;
  AppendAll(FcConfigGetConfigDirs(configuration), paths);
  AppendAll(FcConfigGetConfigFiles(configuration), paths);
  AppendAll(FcConfigGetFontDirs(configuration), paths);
  AppendAll(FcConfigGetCacheDirs(configuration), paths);
  return paths;
}

int32_t FindLanguageFont(const std::string& family, const std::string& language, FontFile& file) {
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) return kErrorFileNotFound;
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddString(pattern.get(), FC_FONTFORMAT, reinterpret_cast<const FcChar8*>("TrueType"));
  PatternPtr match = Match(pattern.get());
  if (!match || !HasTrueTypeOutlines(match.get())) return kErrorFileNotFound;
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
    return kErrorFileNotFound;
  }
  FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
  file.path = reinterpret_cast<const char*>(path);
  file.collectionIndex = index;
  return 0;
}

std::vector<FontFile> FindFontsCovering(uint32_t codePoint, size_t limit) {
  std::vector<FontFile> files;
  const FcFontSet* fonts = SansSerifOrder().fonts();
  if (fonts == nullptr) return files;
  for (int i = 0; i < fonts->nfont && files.size() < limit; ++i) {
    FcPattern* font = fonts->fonts[i];
    FcCharSet* charset = nullptr;
    FcChar8* path = nullptr;
    int index = 0;
    if (!HasTrueTypeOutlines(font) ||
        FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch ||
        !FcCharSetHasChar(charset, codePoint) ||
        FcPatternGetString(font, FC_FILE, 0, &path) != FcResultMatch) {
      continue;
    }
    FcPatternGetInteger(font, FC_INDEX, 0, &index);
    files.push_back({reinterpret_cast<const char*>(path), index});
  }
  return files;
}

}  // namespace zel::platform
