#include "client/private_work_folder.h"

#include "platform/create_folder.h"
#include "platform/files.h"
#include "platform/temp_path.h"
#include "platform/uuid.h"
#include "util/clear_folder.h"
#include "util/exceptions.h"
#include "util/strings.h"

namespace zel::client {

CPrivateWorkFolder::CPrivateWorkFolder(const std::string& prefix) {
  std::u16string id;
  if (const int32_t code = platform::CreateUuidText(id); code != 0) {
    throw vesku::CWinException("Cannot name a work folder", code);
  }
  widePath_ = vesku::JoinPath(vesku::WithTrailingSeparator(platform::TemporaryPath(), u'/'),
                              vesku::ToWide(prefix) + u"-" + id);
  path_ = vesku::ToUtf8(widePath_);
  if (const int32_t code = platform::CreatePrivateFolder(widePath_); code != 0) {
    throw vesku::CWinException("Cannot create work folder " + path_, code);
  }
}

CPrivateWorkFolder::~CPrivateWorkFolder() {
  if (keep_) return;
  vesku::ClearFolderContents(widePath_);
  platform::RemoveFolder(widePath_);
}

}  // namespace zel::client
