#include "documents/docx_reader.h"

#include <minizip/unzip.h>
#include <tinyxml2.h>

#include <cstring>
#include <memory>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "platform/files.h"
#include "platform/uuid.h"
#include "util/exceptions.h"
#include "util/files.h"
#include "util/strings.h"

namespace zel {
namespace {

constexpr int kReadBufferSize = 32768;

// Removes the temporary copy however extraction ends; a failed delete is not worth an error.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::u16string path) : path_(std::move(path)) {}
  ~TemporaryFile() { platform::DeleteFile(path_); }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

 private:
  std::u16string path_;
};

struct ZipCloser {
  void operator()(void* zip) const { unzClose(zip); }
};

std::u16string NewTemporaryPath(std::u16string folder) {
  vesku::EnsureTrailingSeparator(folder, u'/');
  std::u16string uuid;
  const int32_t status = platform::CreateUuidText(uuid);
  if (status != 0) throw vesku::CRpcException("RpcException.UuidToString: Failed", status);
  return folder + uuid;
}

// Reads the entry into `out`; an entry that cannot be found, opened or read leaves it empty, and
// one that inflates past the cap throws.
void ReadDocumentEntry(unzFile zip, std::string& out) {
  if (unzLocateFile(zip, "word/document.xml", 0) != UNZ_OK) return;
  if (unzOpenCurrentFile(zip) != UNZ_OK) return;
  std::vector<char> buffer(kReadBufferSize);
  for (;;) {
    const int read = unzReadCurrentFile(zip, buffer.data(), kReadBufferSize);
    if (read <= 0) break;
    if (out.size() + static_cast<size_t>(read) > kMaxDocumentXml) {
      // Closing the zip closes the entry as well.
      throw std::runtime_error("document.xml too large in docx.");
    }
    out.append(buffer.data(), static_cast<size_t>(read));
  }
  unzCloseCurrentFile(zip);
}

bool IsNamed(const tinyxml2::XMLElement& element, const char* name) {
  const char* own = element.Name();
  return own != nullptr && std::strcmp(own, name) == 0;
}

// The text of one run, or nothing when the run is hidden from the web view (such runs hold
// field results like page numbers of a table of contents).
bool CollectRunText(const tinyxml2::XMLElement& run, std::string& text) {
  std::string runText;
  for (const tinyxml2::XMLElement* child = run.FirstChildElement(); child != nullptr;
       child = child->NextSiblingElement()) {
    if (IsNamed(*child, "w:t")) {
      if (const char* value = child->GetText()) runText += value;
    } else if (IsNamed(*child, "w:rPr") && child->FirstChildElement("w:webHidden") != nullptr) {
      return false;
    }
  }
  text += runText;
  return true;
}

// The standard string-to-int conversion, with messages that say which conversion failed.
int ToInt(const char* text) {
  try {
    return std::stoi(text);
  } catch (const std::invalid_argument&) {
    throw std::invalid_argument("invalid stoi argument");
  } catch (const std::out_of_range&) {
    throw std::out_of_range("stoi argument out of range");
  }
}

}  // namespace

int32_t StyleLevel(const std::string& styleId) {
  static const std::unordered_map<std::string, int32_t> kLevels = {
      {"Title", 1}, {"TOCHeading", 2}, {"TOC1", 3}, {"TOC2", 4}, {"TOC3", 5}};
  const auto found = kLevels.find(styleId);
  return found == kLevels.end() ? 0 : found->second;
}

std::string ExtractDocumentXml(const uint8_t* data, int32_t size,
                               const std::u16string& tempFolder) {
  const std::u16string path = NewTemporaryPath(tempFolder);
  // Owned before it is written: a write that fails half way leaves a file too.
  TemporaryFile removeOnExit(path);
  vesku::WriteWholeFile(path, data, size > 0 ? static_cast<size_t>(size) : 0);

  std::unique_ptr<void, ZipCloser> zip(unzOpen64(vesku::ToUtf8(path).c_str()));
  if (!zip) throw std::runtime_error("Failed to open docx file as zip.");
  std::string xml;
  ReadDocumentEntry(zip.get(), xml);
  if (xml.empty()) throw std::runtime_error("document.xml not found in docx.");
  return xml;
}

void ReadParagraph(const tinyxml2::XMLElement& paragraph, DocxDocument& document) {
  const tinyxml2::XMLElement* first = paragraph.FirstChildElement();
  if (first == nullptr) return;
  DocumentParagraph result;
  std::vector<const tinyxml2::XMLElement*> cursors{first};
  while (!cursors.empty()) {
    const tinyxml2::XMLElement* element = cursors.back();
    if (element == nullptr) {
      cursors.pop_back();
      continue;
    }
    cursors.back() = element->NextSiblingElement();
    if (element->Name() == nullptr) continue;
    if (IsNamed(*element, "w:r")) {
      CollectRunText(*element, result.paragraphText);
    } else if (IsNamed(*element, "w:pStyle")) {
      const char* value = element->Attribute("w:val");
      if (value != nullptr && value[0] != '\0') result.level = StyleLevel(value);
    } else {
      cursors.push_back(element->FirstChildElement());
    }
  }
  document.paragraphs.push_back(std::move(result));
}

void ParseDocumentXml(const std::string& xml, DocxDocument& document) {
  tinyxml2::XMLDocument parsed(true, tinyxml2::PRESERVE_WHITESPACE);
  if (parsed.Parse(xml.c_str()) != tinyxml2::XML_SUCCESS) {
    throw std::runtime_error("Failed to parse document.xml as XML.");
  }
  const tinyxml2::XMLElement* root = parsed.FirstChildElement();
  if (root == nullptr) throw std::runtime_error("Invalid XML.");
  const tinyxml2::XMLElement* body = root->FirstChildElement("w:body");
  if (body == nullptr) return;

  const tinyxml2::XMLElement* pageSize = nullptr;
  for (const tinyxml2::XMLElement* element = body->FirstChildElement(); element != nullptr;
       element = element->NextSiblingElement()) {
    if (element->Name() == nullptr) continue;
    if (IsNamed(*element, "w:p")) {
      ReadParagraph(*element, document);
    } else if (IsNamed(*element, "w:sdt")) {
      const tinyxml2::XMLElement* content = element->FirstChildElement("w:sdtContent");
      if (content == nullptr) continue;
      for (const tinyxml2::XMLElement* inner = content->FirstChildElement("w:p"); inner != nullptr;
           inner = inner->NextSiblingElement("w:p")) {
        ReadParagraph(*inner, document);
      }
    } else if (IsNamed(*element, "w:pgSz")) {
      if (pageSize == nullptr) pageSize = element;
    } else if (IsNamed(*element, "w:sectPr")) {
      if (pageSize == nullptr) pageSize = element->FirstChildElement("w:pgSz");
    }
  }

  if (pageSize == nullptr) return;
  const char* width = pageSize->Attribute("w:w");
  const char* height = pageSize->Attribute("w:h");
  if (width == nullptr || height == nullptr) return;
  // Twentieths of a point, 1440 to the inch.
  document.pageWidthMm = static_cast<int32_t>(ToInt(width) / 1440.0 * 25.4);
  document.pageHeightMm = static_cast<int32_t>(ToInt(height) / 1440.0 * 25.4);
}

}  // namespace zel
