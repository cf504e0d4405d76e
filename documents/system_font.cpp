#include "documents/system_font.h"

#include "platform/fonts.h"
#include "platform/screen.h"

namespace zel {

void GetSystemMessageFont(std::u16string& faceName, int32_t& sizeTenths,
                          std::vector<uint8_t>& fontBytes) {
  platform::MessageFont font;
  const bool found = platform::GetMessageFont(font) == 0;
  if (font.faceName.empty()) return;
  sizeTenths = font.heightPixels * 720 / platform::ScreenDotsPerInchY();
  faceName = font.faceName;
  if (found) fontBytes = std::move(font.fileBytes);
}

}  // namespace zel
