#include "imaging/image_library.h"

#include <Magick++.h>

#include <exception>
#include <iostream>
#include <stdexcept>
#include <utility>

#include "imaging/library_policy.h"
#include "imaging/magick_guards.h"
#include "imaging/resource_limits.h"
#include "platform/create_folder.h"
#include "platform/environment.h"
#include "platform/files.h"
#include "platform/folder_lock.h"
#include "platform/path.h"
#include "platform/process_limits.h"
#include "platform/thread.h"
#include "util/clear_folder.h"
#include "util/crash_handlers.h"
#include "util/files.h"
#include "util/strings.h"

namespace zel {
namespace {

using MagickCore::MagickSizeType;

std::u16string& TempFolder() {
  static std::u16string folder;
  return folder;
}

// This process's hold on its temporary folder, kept until the process ends.
platform::FolderLock& TempFolderLock() {
  static platform::FolderLock lock;
  return lock;
}

// The host's resource values as a policy file in a folder of its own, named to the library as
// the first place to look for configuration; it exists only while the library initialises. The
// folder is named after the process: others that share the temporary folder set up at the same
// time.
class OwnPolicyFile {
 public:
  OwnPolicyFile(const std::u16string& tempFolder, const std::string& text)
      : folder_(tempFolder + platform::kPathSeparator + u"policy-" +
                vesku::ToWide(std::to_string(platform::CurrentProcessId()))),
        file_(folder_ + platform::kPathSeparator + u"policy.xml") {
    platform::CreateFolder(folder_);
    try {
      vesku::WriteWholeFile(file_, text.data(), text.size());
    } catch (const std::exception&) {
      // Without the file the limits of other policy files cap the host's; set-up reports that.
      return;
    }
    platform::SetEnvironmentVariable("MAGICK_CONFIGURE_PATH", vesku::ToUtf8(folder_));
  }
  ~OwnPolicyFile() {
    platform::DeleteFile(file_);
    platform::RemoveFolder(folder_);
  }
  OwnPolicyFile(const OwnPolicyFile&) = delete;
  OwnPolicyFile& operator=(const OwnPolicyFile&) = delete;

 private:
  std::u16string folder_;
  std::u16string file_;
};

// The library's default ends the process with exit code 1 on a fatal error (an allocation that
// failed where it cannot report one); the host ends it the way it ends every crash, so the viewer
// gets a dump and starts a new host.
void OnFatalLibraryError(MagickCore::ExceptionType, const char*, const char*) {
  vesku::ForceCrashDump();
}

void EnforceRights() {
  magick::ExceptionGuard exception = magick::AcquireException();
  const bool loaded = MagickCore::SetMagickSecurityPolicy(
                          RightsPolicyText().c_str(), exception.get()) == MagickCore::MagickTrue;
  const bool refusesUnlisted =
      MagickCore::IsRightsAuthorized(MagickCore::CoderPolicyDomain, MagickCore::ReadPolicyRights,
                                     "UNLISTED") == MagickCore::MagickFalse;
  if (!loaded || !refusesUnlisted) throw std::runtime_error("Image library policy not in force");
}

// Sets every limit again after initialisation, which overrides the library's environment
// variables (they can only lower a limit) and shows whether the host's values were the ones read
// first; a policy file read before them would cap them.
bool ApplyLimits(const ImageLibraryLimits& limits) {
  const std::pair<MagickCore::ResourceType, MagickSizeType> wanted[] = {
      {MagickCore::MemoryResource, limits.pixelMemory},
      {MagickCore::MapResource, limits.pixelMemory},
      {MagickCore::DiskResource, 0},
      {MagickCore::AreaResource, limits.imagePixels},
      {MagickCore::WidthResource, limits.imageSide},
      {MagickCore::HeightResource, limits.imageSide},
      {MagickCore::ListLengthResource, limits.frameCount},
      {MagickCore::TimeResource, MagickResourceInfinity},
      {MagickCore::ThrottleResource, 0},
  };
  bool inForce = true;
  for (const auto& [type, value] : wanted) {
    MagickCore::SetMagickResourceLimit(type, value);
    inForce = inForce && MagickCore::GetMagickResourceLimit(type) == value;
  }
  return inForce;
}

template <typename Info>
void LoadTable(const Info** (*list)(const char*, size_t*, MagickCore::ExceptionInfo*),
               MagickCore::ExceptionInfo* exception) {
  size_t count = 0;
  const Info** entries = list("*", &count, exception);
  MagickCore::RelinquishMagickMemory(entries);
}

// Loads the allowed coders and the tables a request consults (content signatures, colour names,
// message texts, delegates) now, on the main thread, instead of on the first request that needs
// them: serving then reads no configuration file, and no other coder is ever loaded.
void LoadWhatRequestsUse() {
  magick::ExceptionGuard exception = magick::AcquireException();
  for (const std::string& format : AllowedImageFormats()) {
    MagickCore::GetMagickInfo(format.c_str(), exception.get());
  }
  LoadTable(MagickCore::GetMagicInfoList, exception.get());
  LoadTable(MagickCore::GetColorInfoList, exception.get());
  LoadTable(MagickCore::GetLocaleInfoList, exception.get());
  LoadTable(MagickCore::GetDelegateInfoList, exception.get());
}

}  // namespace

void SetUpImageLibrary(const std::u16string& tempFolder, bool clearFolder) {
  TempFolder() = tempFolder;
  // An existing folder is the normal case; any other failure shows later as the library's own.
  platform::CreateFolder(tempFolder);
  // The library reads this once, when it initialises.
  platform::SetEnvironmentVariable("MAGICK_TEMPORARY_PATH", vesku::ToUtf8(tempFolder));
  // Another process may have been given the same folder (two hosts with one work folder, two runs
  // of a tool): what is in it then may be that process's, and only a process that holds the
  // folder alone clears it. One that cannot tell leaves it as it is.
  bool alone = false;
  platform::FolderLock& lock = TempFolderLock();
  if (lock.Take(tempFolder, alone) == 0 && alone && clearFolder) {
    vesku::ClearFolderContents(tempFolder);
  }

  const ImageLibraryLimits limits = ImageLibraryLimitsFor(platform::PhysicalMemoryBytes());
  {
    const OwnPolicyFile policy(tempFolder, ResourcePolicyText(limits));
    Magick::InitializeMagick(nullptr);
  }
  // Set-up leaves nothing of this process in the folder, so others may now share it.
  lock.Share();
  MagickCore::SetFatalErrorHandler(OnFatalLibraryError);
  EnforceRights();
  if (!ApplyLimits(limits)) {
    std::cout << "zelHost: image library limits are capped by a policy file\n";
  }
  LoadWhatRequestsUse();
}

const std::u16string& ImageTempFolder() { return TempFolder(); }

}  // namespace zel
