#include "service/read_image_properties.h"

#include <Magick++.h>

#include <climits>
#include <exception>
#include <stdexcept>

#include "imaging/magick_compat.h"
#include "imaging/named_image.h"
#include "rpc/archive_values.h"
#include "rpc/server_handler.h"
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

int64_t StringSize(const std::string& text) {
  return vesk::BlockValueSize(static_cast<int64_t>(text.size()));
}

void WriteList(vesk::CArchiveOverBuffer& reply, const std::vector<ImageProperty>& list) {
  vesk::WriteInt(reply, static_cast<int32_t>(list.size()));
  for (const ImageProperty& entry : list) {
    vesk::WriteString(reply, entry.name.data(), static_cast<int32_t>(entry.name.size()));
    vesk::WriteString(reply, entry.value.data(), static_cast<int32_t>(entry.value.size()));
  }
}

}  // namespace

bool CollectImageProperties(const uint8_t* data, int32_t size, const std::u16string& name,
                            std::vector<ImageProperty>& properties,
                            std::vector<ImageProperty>& hostAttributes) {
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
  const std::u16string name = vesk::ReadWideString(request);
  const vesk::BinaryView bytes = vesk::ReadBinary(request);

  std::vector<ImageProperty> properties;
  std::vector<ImageProperty> hostAttributes;
  vesk::CArchiveOverBuffer reply;
  if (!CollectImageProperties(bytes.data, bytes.size, name, properties, hostAttributes)) {
    responder.GetReplyBuffer(reply, 8);
    vesk::WriteInt(reply, 1);
    return;
  }
  // Texts that a decoder expanded (compressed metadata) can be far larger than the file.
  int64_t size = 24;
  for (const auto* list : {&properties, &hostAttributes}) {
    for (const ImageProperty& entry : *list) {
      size += StringSize(entry.name) + StringSize(entry.value);
    }
  }
  if (size > INT32_MAX) throw std::runtime_error("IntegerOverflow");
  responder.GetReplyBuffer(reply, static_cast<int32_t>(size));
  vesk::WriteInt(reply, 0);
  WriteList(reply, properties);
  WriteList(reply, hostAttributes);
}

}  // namespace zel
