#include "tools/detection_bench.h"

#include <exception>
#include <iostream>

#include "detect/detect_mime_type.h"
#include "detect/is_video_file_name.h"
#include "imaging/image_library.h"
#include "pdfium/fpdfview.h"
#include "platform/dir_search.h"
#include "platform/path.h"
#include "platform/performance.h"
#include "service/file_info.h"
#include "service/probe_partial_image.h"
#include "tools/image_summary_text.h"
#include "tools/oracle_probe.h"
#include "tools/tool_files.h"
#include "util/strings.h"

namespace zel {

namespace {

struct Totals {
  int32_t files = 0;
  int64_t folderBytes = 0;
  int32_t detected = 0;
  double totalMs = 0;
  int32_t sure = 0;
  int32_t afterNeedMore = 0;
  int32_t mismatches = 0;
  int64_t bytesSent = 0;
  double oracleMs = 0;
  double fullMs = 0;
};

double MillisecondsSince(int64_t start) {
  return static_cast<double>(platform::MonotonicNanoseconds() - start) / 1000000.0;
}

struct TimedInfo {
  bool ok = false;
  ImageSummary summary;
  double ms = 0;
};

TimedInfo TimeReadInfo(const std::u16string& name, const std::string& mimeType,
                       const std::vector<uint8_t>& data) {
  TimedInfo info;
  const int64_t start = platform::MonotonicNanoseconds();
  info.ok = TryReadInfo(name, mimeType, data, info.summary);
  info.ms = MillisecondsSince(start);
  return info;
}

void PlainFile(const std::string& printedName, const std::u16string& name,
               const std::string& mimeType, const std::vector<uint8_t>& data, Totals& totals) {
  const TimedInfo info = TimeReadInfo(name, mimeType, data);
  totals.totalMs += info.ms;
  if (!info.ok) {
    std::cout << printedName << "\tFAIL\t\t\t\t\t" << info.ms << std::endl;
    return;
  }
  ++totals.detected;
  const ImageSummary& s = info.summary;
  std::cout << printedName << "\t" << s.width << "\t" << s.height << "\t" << s.flags << "\t"
            << s.rotation << "\t" << s.dateTaken << "\t" << info.ms << std::endl;
}

void OracleFile(const std::string& printedName, const std::u16string& name,
                const std::string& mimeType, const std::vector<uint8_t>& data, Totals& totals) {
  const int64_t start = platform::MonotonicNanoseconds();
  const OracleOutcome outcome =
      RunOracleProbe(data, name,
                     [&mimeType](const PartialImageData& partial, ImageSummary& summary,
                                 int32_t& needHead, int32_t& needTail) {
                       return ProbeByMime(partial, mimeType, summary, needHead, needTail);
                     });
  const double oracleMs = MillisecondsSince(start);
  const TimedInfo full = TimeReadInfo(name, mimeType, data);
  const std::string fullText = full.ok ? FormatImageSummary(full.summary) : "FAIL";

  if (!outcome.sure) {
    std::cout << printedName << "\tUNSURE\t" << outcome.bytesSent << "\t\t" << fullText
              << std::endl;
    return;
  }
  ++totals.sure;
  if (outcome.afterNeedMore) ++totals.afterNeedMore;
  totals.bytesSent += outcome.bytesSent;
  totals.oracleMs += oracleMs;
  totals.fullMs += full.ms;
  const bool matches = full.ok && SameImageSummary(outcome.summary, full.summary);
  if (!matches) ++totals.mismatches;
  std::cout << printedName << "\t" << (matches ? "SURE" : "MISMATCH") << "\t" << outcome.bytesSent
            << "\t" << FormatImageSummary(outcome.summary) << "\t" << fullText << "\t" << oracleMs
            << "\t" << full.ms << std::endl;
}

}  // namespace

bool TryReadInfo(const std::u16string& name, const std::string& mimeType,
                 const std::vector<uint8_t>& data, ImageSummary& summary) {
  try {
    return ProbeFileInfo(name, mimeType, data.data(), static_cast<int32_t>(data.size()), summary);
  } catch (const std::exception&) {
    return false;
  }
}

int32_t RunDetectionBench(const std::u16string& folder, bool oracle) {
  SetUpImageLibrary(ToolTempFolder(u"zelHost_bench"), true);
  FPDF_InitLibrary();

  const std::u16string base = vesku::WithTrailingSeparator(folder, platform::kPathSeparator);
  platform::DirSearch search;
  if (search.Open(base) != 0) {
    std::cerr << "Can't open folder\n";
    return 1;
  }

  Totals totals;
  platform::DirEntry entry;
  while (search.Next(entry) == 0) {
    if (entry.isDirectory || IsVideoFileName(entry.name)) continue;
    std::vector<uint8_t> data;
    if (ReadWholeFile(vesku::JoinPath(base, entry.name), data) != ReadStatus::kRead) continue;
    ++totals.files;
    totals.folderBytes += static_cast<int64_t>(data.size());
    const std::string printedName = vesku::ToUtf8(entry.name);
    const std::string mimeType = DetectMimeType(entry.name, data);
    if (oracle) {
      OracleFile(printedName, entry.name, mimeType, data, totals);
    } else {
      PlainFile(printedName, entry.name, mimeType, data, totals);
    }
  }
  search.Close();

  if (!oracle) {
    std::cout << "TOTAL\t" << totals.files << " files\t" << totals.detected << " detected\t"
              << totals.totalMs << " ms\tfull\n";
    return 0;
  }
  std::cout << "TOTAL\t" << totals.files << " files\t" << totals.sure << " sure ("
            << totals.afterNeedMore << " after NeedMore)\t" << totals.files - totals.sure
            << " unsure\t" << totals.mismatches << " MISMATCHES\n"
            << "SURE FILES\toracle " << totals.oracleMs << " ms, full " << totals.fullMs
            << " ms; bytes sent " << totals.bytesSent << " of " << totals.folderBytes
            << " in the folder\n";
  return totals.mismatches != 0 ? 2 : 0;
}

}  // namespace zel
