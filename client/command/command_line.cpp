#include "client/command/command_line.h"

#include <cstdio>
#include <stdexcept>

namespace zel::client {

const char kUsage[] =
    "usage: zelClient convert FILE... OUTDIR [--max-size WxH] [--rotate N] [--no-orient]\n"
    "                 [--format png|ppm|bmp]\n"
    "       zelClient info FILE...\n"
    "       zelClient props FILE...\n"
    "       zelClient probe FILE... [--head BYTES] [--tail BYTES]\n"
    "       zelClient probe FILE HEADBYTES [TAILBYTES]\n"
    "options: --host PATH  --work DIR  --jobs N (requests in flight at once)\n"
    "Several files go through one host; a file that fails is reported and the rest go on.\n";

namespace {

// A whole number from 0 up; anything else is refused.
std::optional<int64_t> ByteCount(const std::string& text) {
  size_t used = 0;
  try {
    const long long value = std::stoll(text, &used);
    if (used != text.size() || value < 0) return std::nullopt;
    return value;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

bool IsByteCount(const std::string& text) { return ByteCount(text).has_value(); }

bool ParseOption(const std::string& option, const std::string* value, CommandLine& line,
                 bool& tookValue) {
  tookValue = false;
  if (option == "--no-orient") {
    line.bitmap.autoOrient = false;
    return true;
  }
  if (value == nullptr) return false;
  tookValue = true;
  if (option == "--rotate") {
    size_t used = 0;
    line.bitmap.rotation = std::stoi(*value, &used);
    return used == value->size();
  }
  if (option == "--max-size") {
    int width = 0;
    int height = 0;
    char end = 0;
    if (std::sscanf(value->c_str(), "%dx%d%c", &width, &height, &end) != 2) return false;
    line.bitmap.boxSide1 = width;
    line.bitmap.boxSide2 = height;
    return true;
  }
  if (option == "--format") {
    const std::optional<picture::PictureFormat> format = picture::ParsePictureFormat(*value);
    if (!format) return false;
    line.format = *format;
    return true;
  }
  if (option == "--jobs") {
    const std::optional<int64_t> jobs = ByteCount(*value);
    if (!jobs || *jobs < 1 || *jobs > 64) return false;
    line.jobs = static_cast<int32_t>(*jobs);
    return true;
  }
  if (option == "--head" || option == "--tail") {
    const std::optional<int64_t> bytes = ByteCount(*value);
    if (!bytes) return false;
    (option == "--head" ? line.probeHead : line.probeTail) = *bytes;
    return true;
  }
  if (option == "--host") {
    line.hostPath = *value;
    return true;
  }
  if (option == "--work") {
    line.workFolder = *value;
    return true;
  }
  return false;
}

}  // namespace

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& words) {
  CommandLine line;
  std::vector<std::string> positional;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word.rfind("--", 0) != 0) {
      positional.push_back(word);
      continue;
    }
    bool tookValue = false;
    const std::string* value = i + 1 < words.size() ? &words[i + 1] : nullptr;
    try {
      if (!ParseOption(word, value, line, tookValue)) return std::nullopt;
    } catch (const std::exception&) {
      return std::nullopt;
    }
    if (tookValue) ++i;
  }
  // The first word that is not an option names the command.
  if (positional.empty()) return std::nullopt;
  line.command = positional.front();
  positional.erase(positional.begin());

  if (line.command == "convert") {
    if (positional.size() < 2) return std::nullopt;
    line.outputFolder = positional.back();
    positional.pop_back();
  } else if (line.command == "probe") {
    // The older form names one file and then the byte counts.
    if (positional.size() >= 2 && positional.size() <= 3 && IsByteCount(positional[1]) &&
        (positional.size() == 2 || IsByteCount(positional[2]))) {
      line.probeHead = *ByteCount(positional[1]);
      if (positional.size() == 3) line.probeTail = *ByteCount(positional[2]);
      positional.resize(1);
    }
  } else if (line.command != "info" && line.command != "props") {
    return std::nullopt;
  }
  if (positional.empty()) return std::nullopt;
  line.files = std::move(positional);
  return line;
}

}  // namespace zel::client
