// PDFs for the tests, written with libHaru.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel::test {

struct TestPage {
  float width = 595.276f;  // A4
  float height = 841.89f;
  int rotate = 0;             // the page's /Rotate, degrees clockwise
  bool text = false;          // a line of large black text near the top-left corner
  bool cornerSquare = false;  // a black 100 × 100 point square at the top-left corner
  bool squareAnnotation =
      false;  // a square annotation filled red at (100, 100)-(300, 300) from top-left
};

// A document with the given pages; with a user password it is encrypted and needs it to open.
std::vector<uint8_t> MakePdf(const std::vector<TestPage>& pages,
                             const char* userPassword = nullptr);

// The file's bytes, or an empty vector when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::string& path);

// The documentation PDFs the fidelity tests and the benchmark use (from Debian -doc packages).
const std::vector<std::string>& RealPdfPaths();

}  // namespace zel::test
