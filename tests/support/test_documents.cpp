#include "tests/support/test_documents.h"

#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "util/strings.h"

namespace zel::test {
namespace {

std::filesystem::path Scratch(const std::string& name) {
  return std::filesystem::temp_directory_path() /
         ("zel_documents_" + std::to_string(::getpid()) + "_" + name);
}

Bytes ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::string RunToText(const std::string& command) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  size_t read = 0;
  while ((read = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) output.append(buffer, read);
  ::pclose(pipe);
  return output;
}

std::string Unescape(std::string text) {
  // Numeric references first: they never produce an ampersand that a named one could follow.
  for (size_t at = text.find("&#x"); at != std::string::npos; at = text.find("&#x", at + 1)) {
    const size_t end = text.find(';', at);
    if (end == std::string::npos) break;
    std::vector<char> bytes(4);
    char* cursor = bytes.data();
    int32_t room = 4;
    const auto codePoint = static_cast<uint32_t>(std::stoul(text.substr(at + 3), nullptr, 16));
    const int length = vesku::EncodeUtf8(codePoint, cursor, room);
    text.replace(at, end + 1 - at, bytes.data(), static_cast<size_t>(length));
  }
  const std::pair<const char*, const char*> kEntities[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
  for (const auto& [entity, plain] : kEntities) {
    for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1)) {
      text.replace(at, std::strlen(entity), plain);
    }
  }
  return text;
}

std::string Attribute(const std::string& line, const std::string& name) {
  const std::string key = " " + name + "=\"";
  const size_t start = line.find(key);
  if (start == std::string::npos) return {};
  const size_t end = line.find('"', start + key.size());
  return Unescape(line.substr(start + key.size(), end - start - key.size()));
}

}  // namespace

Bytes MakeZip(const std::vector<std::pair<std::string, std::string>>& entries) {
  const std::filesystem::path path = Scratch("zip");
  zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
  EXPECT_NE(zip, nullptr);
  if (zip == nullptr) return {};
  for (const auto& [name, contents] : entries) {
    zip_fileinfo info{};
    EXPECT_EQ(zipOpenNewFileInZip(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                  Z_DEFLATED, Z_DEFAULT_COMPRESSION),
              ZIP_OK);
    EXPECT_EQ(zipWriteInFileInZip(zip, contents.data(), static_cast<unsigned>(contents.size())),
              ZIP_OK);
    zipCloseFileInZip(zip);
  }
  zipClose(zip, nullptr);
  Bytes bytes = ReadAll(path);
  std::filesystem::remove(path);
  return bytes;
}

Bytes MakeDocx(const std::string& body) {
  const std::string document =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
      "<w:body>" +
      body + "</w:body></w:document>";
  return MakeZip({{"[Content_Types].xml", "<Types/>"}, {"word/document.xml", document}});
}

std::string Paragraph(const std::string& text, const std::string& style) {
  std::string properties;
  if (!style.empty()) properties = "<w:pPr><w:pStyle w:val=\"" + style + "\"/></w:pPr>";
  return "<w:p>" + properties + "<w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r></w:p>";
}

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

bool HavePdfToText() { return std::system("pdftotext -v >/dev/null 2>&1") == 0; }

bool HaveMutool() { return std::system("mutool -v >/dev/null 2>&1") == 0; }

std::vector<PdfWord> PdfWords(const Bytes& pdf) {
  const std::filesystem::path path = Scratch("words.pdf");
  WriteAll(path, pdf);
  const std::string html =
      RunToText("pdftotext -bbox -f 1 -l 1 '" + path.string() + "' - 2>/dev/null");
  std::filesystem::remove(path);
  std::vector<PdfWord> words;
  static const std::regex kWord(
      "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">"
      "([^<]*)</word>");
  for (std::sregex_iterator it(html.begin(), html.end(), kWord), end; it != end; ++it) {
    words.push_back({std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3]),
                     std::stod((*it)[4]), Unescape((*it)[5])});
  }
  return words;
}

std::string PdfText(const Bytes& pdf) {
  const std::filesystem::path path = Scratch("text.pdf");
  WriteAll(path, pdf);
  std::string text = RunToText("pdftotext -raw -f 1 -l 1 '" + path.string() + "' - 2>/dev/null");
  std::filesystem::remove(path);
  return text;
}

std::string PdfReadingText(const Bytes& pdf) {
  const std::filesystem::path path = Scratch("reading.pdf");
  WriteAll(path, pdf);
  std::string text = RunToText("pdftotext -f 1 -l 1 '" + path.string() + "' - 2>/dev/null");
  std::filesystem::remove(path);
  // U+202A to U+202E, in UTF-8 the bytes E2 80 followed by AA to AE.
  std::string reading;
  for (size_t at = 0; at < text.size(); ++at) {
    const auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    if (at + 2 < text.size() && byte(at) == 0xE2 && byte(at + 1) == 0x80 && byte(at + 2) >= 0xAA &&
        byte(at + 2) <= 0xAE) {
      at += 2;
    } else {
      reading += text[at];
    }
  }
  return reading;
}

std::vector<PdfGlyph> PdfGlyphs(const Bytes& pdf) {
  const std::filesystem::path path = Scratch("glyphs.pdf");
  WriteAll(path, pdf);
  const std::string trace = RunToText("mutool trace '" + path.string() + "' 1 2>/dev/null");
  std::filesystem::remove(path);
  std::vector<PdfGlyph> glyphs;
  std::string font;
  double size = 0;
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    if (line.find("<span ") != std::string::npos) {
      font = Attribute(line, "font");
      size = std::stod(Attribute(line, "trm"));
    } else if (line.find("<g ") != std::string::npos) {
      glyphs.push_back({Attribute(line, "unicode"), Attribute(line, "glyph"), font,
                        std::stod(Attribute(line, "x")), std::stod(Attribute(line, "y")),
                        std::stod(Attribute(line, "adv")) * size});
    }
  }
  return glyphs;
}

}  // namespace zel::test
