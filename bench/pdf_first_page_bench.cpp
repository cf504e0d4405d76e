// First-page rendering of real PDFs at 96 dots per inch: our framed BMP picture against
// `mutool draw` and `pdftoppm`, in one run, interleaved, median of several rounds each.
//
// Build it optimised (-DCMAKE_BUILD_TYPE=Release). Usage: bench_pdf_first_page [rounds] [file.pdf
// ...] Without files it uses documentation PDFs from Debian packages (see scripts/setup.sh). The
// command-line tools are timed as whole processes (start, read, render, write a PPM file); the
// line "tool start-up" times each of them on a blank one-page PDF so that share can be seen.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "pdf/first_pdf_page.h"
#include "pdfium/fpdfview.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* const kDefaultFiles[] = {
    "/usr/share/doc/camlidl/camlidl-1.04.doc.pdf",
    "/usr/share/doc/libtasn1-doc/libtasn1.pdf",
    "/usr/share/doc/shared-mime-info/shared-mime-info-spec.pdf",
    "/usr/share/doc/libimage-exiftool-perl/html/MIE1.1-20070121.pdf",
};

// A minimal valid one-page PDF, for timing the tools' fixed start-up cost.
constexpr char kBlankPdf[] =
    "%PDF-1.4\n"
    "1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n"
    "2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n"
    "3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 72 72]>>endobj\n"
    "trailer<</Root 1 0 R>>\n%%EOF\n";

double MedianMs(int rounds, const std::function<bool()>& run) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    if (!run()) return -1;
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

struct Tools {
  std::string out;  // output base path for the tools
  bool Mutool(const std::string& pdf) const {
    return std::system(("mutool draw -q -r 96 -o " + Quote(out + ".ppm") + " " + Quote(pdf) +
                        " 1 2>/dev/null")
                           .c_str()) == 0;
  }
  bool Pdftoppm(const std::string& pdf) const {
    return std::system(("pdftoppm -r 96 -f 1 -l 1 -singlefile " + Quote(pdf) + " " + Quote(out) +
                        " 2>/dev/null")
                           .c_str()) == 0;
  }
};

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  std::vector<std::string> files(argv + std::min(argc, 2), argv + argc);
  if (files.empty()) files.assign(std::begin(kDefaultFiles), std::end(kDefaultFiles));

  FPDF_InitLibrary();
  const auto temp = std::filesystem::temp_directory_path();
  const Tools tools{(temp / "zel_bench_pdf_out").string()};
  const std::string blank = (temp / "zel_bench_blank.pdf").string();
  std::ofstream(blank, std::ios::binary) << kBlankPdf;

  std::printf(
      "file\tpixels\tzel_first_ms\tzel_ms\tmutool_ms\tpdftoppm_ms\tmutool/zel\tpdftoppm/zel\n");
  std::printf("tool start-up\t-\t-\t-\t%.2f\t%.2f\t-\t-\n",
              MedianMs(rounds, [&] { return tools.Mutool(blank); }),
              MedianMs(rounds, [&] { return tools.Pdftoppm(blank); }));
  for (const std::string& file : files) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> pdf(std::istreambuf_iterator<char>(in), {});
    if (pdf.empty()) {
      std::printf("%s\tmissing\n", file.c_str());
      continue;
    }
    std::string mime;
    std::vector<uint8_t> bmp;
    // The first render of a file meets a glyph cache without its fonts; later ones reuse it, as
    // a long-running host does.
    const double first = MedianMs(1, [&] {
      zel::RenderFirstPdfPage(pdf.data(), static_cast<uint32_t>(pdf.size()), mime, bmp);
      return true;
    });
    const double zel = MedianMs(rounds, [&] {
      zel::RenderFirstPdfPage(pdf.data(), static_cast<uint32_t>(pdf.size()), mime, bmp);
      return true;
    });
    const double mutool = MedianMs(rounds, [&] { return tools.Mutool(file); });
    const double poppler = MedianMs(rounds, [&] { return tools.Pdftoppm(file); });
    std::printf("%s\t%zu\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\t%.2f\n",
                std::filesystem::path(file).filename().c_str(), (bmp.size() - 54) / 4, first, zel,
                mutool, poppler, mutool / zel, poppler / zel);
  }
  std::filesystem::remove(blank);
  std::filesystem::remove(tools.out + ".ppm");
  return 0;
}
