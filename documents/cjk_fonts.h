// The fonts for Chinese, Japanese and Korean text, one per script class, found once per process.
#pragma once

#include <string>
#include <vector>

namespace zel {

struct CjkFontFile {
  std::string path;  // UTF-8
  int collectionIndex = 0;
  bool isCollection = false;
};

// The installed candidates for `scriptClass` (kana, Hangul or Han) in order of preference; empty
// for other classes or when none is installed.
const std::vector<CjkFontFile>& CjkFontCandidates(int scriptClass);

}  // namespace zel
