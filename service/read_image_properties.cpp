#include "service/read_image_properties.h"

#include <Magick++.h>

#include <exception>

#include "imaging/magick_compat.h"
#include "imaging/named_image.h"
#include "protocol/messages.h"
#include "service/send_reply.h"
#include "util/strings.h"

namespace zel {

std::string GroupThousands(int64_t value) {
  const std::string digits = std::to_string(value);
  const size_t signLength = (!digits.empty() && digits[0] == '-') ? 1 : 0;
  std::string grouped;
  const size_t count = digits.size() - signLength;
  grouped.reserve(digits.size() + count / 3);
  grouped.append(digits, 0, signLength);
  for (size_t i = 0; i < count; ++i) {
    if (i > 0 && (count - i) % 3 == 0) grouped.push_back(',');
    grouped.push_back(digits[signLength + i]);
  }
  return grouped;
}

namespace {

std::vector<std::string> LibraryPropertyNames(Magick::Image& image) {
  std::vector<std::string> names;
  MagickCore::Image* core = image.image();
  MagickCore::ResetImagePropertyIterator(core);
  while (const char* name = MagickCore::GetNextImageProperty(core)) names.emplace_back(name);
  return names;
}

}  // namespace

bool CollectImageProperties(const uint8_t* data, int32_t size, const std::u16string& name,
                            std::vector<protocol::ImageProperty>& properties,
                            std::vector<protocol::ImageProperty>& hostAttributes) {
  properties.clear();
  hostAttributes.clear();
  try {
    Magick::Blob blob(data, static_cast<size_t>(size));
    hostAttributes.push_back({"zel.name", vesku::ToUtf8(name)});
    hostAttributes.push_back({"zel.size", GroupThousands(size)});

    Magick::Image image = CreateNamedImage(name);
    image.read(blob);
    if (!image.isValid()) return false;
    hostAttributes.push_back({"zel.width", std::to_string(image.columns())});
    hostAttributes.push_back({"zel.height", std::to_string(image.rows())});
    hostAttributes.push_back(
        {"zel.alpha", zel::magick::HasAlpha(image.constImage()) ? "Yes" : "No"});

    const std::vector<std::string> names = LibraryPropertyNames(image);
    if (names.empty()) return false;
    for (const std::string& propertyName : names) {
      try {
        std::string value = image.attribute(propertyName);
        if (!value.empty()) properties.push_back({propertyName, std::move(value)});
      } catch (const std::exception&) {
        // A property whose value the library cannot render is left out, not the whole list.
      }
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void ReadImageProperties(const CServerHandler&, vesk::CArchiveOverBuffer& request,
                         vesku_rpc::IServerResponder& responder) {
  const auto [name, bytes] = protocol::Read<protocol::PropertiesRequest>(request);
  // Texts that a decoder expanded (compressed metadata) can make the reply far larger than the
  // file; its counted size is checked against the wire's limit.
  protocol::PropertiesReply reply;
  reply.found =
      CollectImageProperties(bytes.data, bytes.size, name, reply.properties, reply.hostAttributes);
  SendReply(responder, reply);
}

}  // namespace zel
