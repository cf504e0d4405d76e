#include "imaging/image_library.h"

#include <Magick++.h>

#include <exception>
#include <iostream>
#include <list>

#include "platform/create_folder.h"
#include "platform/environment.h"
#include "util/clear_folder.h"
#include "util/strings.h"

namespace zel {
namespace {

std::u16string& TempFolder() {
  static std::u16string folder;
  return folder;
}

}  // namespace

void SetUpImageLibrary(const std::u16string& tempFolder, bool clearFolder) {
  TempFolder() = tempFolder;
  // An existing folder is the normal case; any other failure shows later as the library's own.
  platform::CreateFolder(tempFolder);
  // The library reads this once, when it initialises.
  platform::SetEnvironmentVariable("MAGICK_TEMPORARY_PATH", vesku::ToUtf8(tempFolder));
  if (clearFolder) vesku::ClearFolderContents(tempFolder);
  Magick::InitializeMagick(nullptr);
  // Listing the readable formats loads every coder now, on the main thread, instead of on the
  // first request that needs one. The list itself is not needed.
  try {
    std::list<Magick::CoderInfo> coders;
    Magick::coderInfoList(&coders, Magick::CoderInfo::TrueMatch, Magick::CoderInfo::AnyMatch,
                          Magick::CoderInfo::AnyMatch);
  } catch (const std::exception& error) {
    std::cout << error.what() << "\n";
  }
}

const std::u16string& ImageTempFolder() { return TempFolder(); }

}  // namespace zel
