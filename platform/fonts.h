// Font files of the system, for the document writer that embeds them. The message font stands for
// the font that dialogs and message boxes use; language fonts are the installed TrueType-outline
// fonts for one language (the PDF library cannot read other outline formats).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel::platform {

struct MessageFont {
  std::u16string faceName;
  // Character height in pixels at the screen's vertical resolution.
  int32_t heightPixels = 0;
  // The whole font file.
  std::vector<uint8_t> fileBytes;
};

// Fills `font` from the system's sans-serif TrueType font at 9 points. Returns 0, or
// kErrorFileNotFound (with `font` left empty where nothing was found) when there is no such font
// or its file cannot be read.
int32_t GetMessageFont(MessageFont& font);

// Makes GetMessageFont find nothing (for tests of the fallback); false restores it.
void HideMessageFontForTesting(bool hidden);

// Loads the font configuration now rather than on first use, and returns every folder and file
// (UTF-8) that it reads configuration, fonts and caches from, whether or not they exist.
std::vector<std::string> LoadFontConfiguration();

struct FontFile {
  std::string path;  // UTF-8
  int32_t collectionIndex = 0;
};

// The installed TrueType-outline font of family `family` that covers language `language` ("ja",
// "ko", "zh-cn"). Returns 0, or kErrorFileNotFound when there is none.
int32_t FindLanguageFont(const std::string& family, const std::string& language, FontFile& file);

// The installed TrueType-outline fonts that have a glyph for `codePoint`, those that suit
// sans-serif text best first; at most `limit` of them.
std::vector<FontFile> FindFontsCovering(uint32_t codePoint, size_t limit);

}  // namespace zel::platform
