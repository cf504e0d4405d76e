// The process set-up of the document tests: the temporary folder where the DOCX reader puts its
// copies, and the PDF library.
#pragma once

#include <string>

namespace zel::test {

const std::string& DocumentTempFolder();

// The same folder, as the converters take it.
const std::u16string& ConverterTempFolder();

}  // namespace zel::test
