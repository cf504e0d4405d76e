// The process set-up of the document tests: the image library's temporary folder (where the DOCX
// reader puts its copies) and the PDF library.
#pragma once

#include <string>

namespace zel::test {

const std::string& DocumentTempFolder();

}  // namespace zel::test
