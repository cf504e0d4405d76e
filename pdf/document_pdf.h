// The one place where a file's MIME type decides whether it is a document: a PDF is its own PDF,
// while Word documents and plain text have no page of their own and are laid out into a one-page
// PDF first. The preview and the size report both start from here, so they show and measure the
// same page.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel {

class DocumentPdf {
 public:
  // Types are compared exactly. A DOCX passes through a temporary file in `tempFolder`. The
  // converters' exceptions pass unchanged. The file's bytes must outlive the object.
  DocumentPdf(const uint8_t* data, int32_t size, const std::string& mimeType,
              const std::u16string& tempFolder);
  DocumentPdf(const DocumentPdf&) = delete;
  DocumentPdf& operator=(const DocumentPdf&) = delete;

  // False for every file that is not a document; the PDF below is then empty.
  bool isDocument() const { return isDocument_; }
  const uint8_t* data() const { return data_; }
  uint32_t size() const { return size_; }

 private:
  bool isDocument_ = false;
  const uint8_t* data_ = nullptr;
  uint32_t size_ = 0;
  std::vector<uint8_t> laidOut_;
};

}  // namespace zel
