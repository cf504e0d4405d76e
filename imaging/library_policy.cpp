#include "imaging/library_policy.h"

#include <limits>

namespace zel {
namespace {

std::string ResourceEntry(const char* name, uint64_t value) {
  return std::string("<policy domain=\"resource\" name=\"") + name + "\" value=\"" +
         std::to_string(value) + "\"/>";
}

std::string Pattern(const std::vector<std::string>& names) {
  std::string pattern = "{";
  for (const std::string& name : names) {
    if (pattern.size() > 1) pattern += ",";
    pattern += name;
  }
  return pattern + "}";
}

}  // namespace

const std::vector<std::string>& AllowedImageFormats() {
  static const std::vector<std::string> kFormats = {
      "AVIF", "BMP", "BMP2", "BMP3", "CUR",  "GIF",    "GIF87", "HDR", "HEIC",  "ICO",
      "ICON", "JPE", "JPEG", "JPG",  "MIFF", "PAM",    "PBM",   "PGM", "PJPEG", "PNG",
      "PNM",  "PPM", "TGA",  "TIF",  "TIFF", "TIFF64", "WEBP",  "XC"};
  return kFormats;
}

std::string ResourcePolicyText(const ImageLibraryLimits& limits) {
  // The library's time limit counts from the first pixel of the process's life and then ends the
  // process; the host bounds each request itself, so the library's is switched off.
  const uint64_t unlimited = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  return "<policymap>" + ResourceEntry("memory", limits.pixelMemory) +
         ResourceEntry("map", limits.pixelMemory) + ResourceEntry("disk", 0) +
         ResourceEntry("area", limits.imagePixels) + ResourceEntry("width", limits.imageSide) +
         ResourceEntry("height", limits.imageSide) +
         ResourceEntry("list-length", limits.frameCount) + ResourceEntry("time", unlimited) +
         // A throttle makes the library sleep on every pixel access.
         ResourceEntry("throttle", 0) +
         "<policy domain=\"system\" name=\"max-memory-request\" value=\"" +
         std::to_string(limits.largestRequest) +
         "\"/>"
         // Pixel caches and large work buffers as anonymous memory, never a file in the temp
         // folder; they are accounted by the memory limit instead of the per-request one.
         "<policy domain=\"cache\" name=\"memory-map\" value=\"anonymous\"/>"
         "<policy domain=\"system\" name=\"memory-map\" value=\"anonymous\"/>"
         "</policymap>";
}

std::string RightsPolicyText() {
  const std::string allowed = Pattern(AllowedImageFormats());
  return "<policymap>"
         "<policy domain=\"delegate\" rights=\"none\" pattern=\"*\"/>"
         "<policy domain=\"filter\" rights=\"none\" pattern=\"*\"/>"
         "<policy domain=\"path\" rights=\"none\" pattern=\"*\"/>"
         "<policy domain=\"coder\" rights=\"none\" pattern=\"*\"/>"
         "<policy domain=\"coder\" rights=\"read|write\" pattern=\"" +
         allowed +
         "\"/>"
         "<policy domain=\"module\" rights=\"none\" pattern=\"*\"/>"
         "<policy domain=\"module\" rights=\"read|write\" pattern=\"" +
         allowed +
         "\"/>"
         "</policymap>";
}

}  // namespace zel
