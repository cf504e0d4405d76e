// zelClient: a command-line stand-in for the viewer. It starts zelHost over shared memory, sends
// one request and shows (or writes) what came back.
//
//   zelClient convert FILE OUTDIR [--max-size WxH] [--rotate N] [--no-orient]
//   zelClient info FILE
//   zelClient props FILE
//   zelClient probe FILE [HEADBYTES [TAILBYTES]]
//
// Options valid for every command: --host PATH (the zelHost executable; default: the one installed
// with this program, or host/zelHost in a build tree) and --work DIR (the host's work folder, which
// also receives the host's console output in zelHost-console.txt).
#include <Magick++.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "client/command/png_frames.h"
#include "client/host_client.h"
#include "client/host_location.h"
#include "detect/detect_mime_type.h"
#include "util/strings.h"

namespace {

using zel::client::BitmapOptions;
using zel::client::FileRef;

constexpr char kUsage[] =
    "usage: zelClient convert FILE OUTDIR [--max-size WxH] [--rotate N] [--no-orient]\n"
    "       zelClient info FILE\n"
    "       zelClient props FILE\n"
    "       zelClient probe FILE [HEADBYTES [TAILBYTES]]\n"
    "options: --host PATH  --work DIR\n";

struct Arguments {
  std::string command;
  std::vector<std::string> positional;
  BitmapOptions bitmap;
  std::string hostPath;
  std::string workFolder;
  int64_t probeHead = 65536;  // bytes from the start and from the end a probe sends first
  int64_t probeTail = 0;
};

// A byte count given on the command line; anything but a whole number from 0 up is refused.
int64_t ByteCount(const std::string& text) {
  size_t used = 0;
  const long long value = std::stoll(text, &used);
  if (used != text.size() || value < 0) throw std::invalid_argument(text);
  return value;
}

bool ParseArguments(int argc, char** argv, Arguments& arguments) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == "--no-orient") {
      arguments.bitmap.autoOrient = false;
    } else if (argument == "--rotate" && hasValue) {
      arguments.bitmap.rotation = std::stoi(argv[++i]);
    } else if (argument == "--max-size" && hasValue) {
      int width = 0;
      int height = 0;
      if (std::sscanf(argv[++i], "%dx%d", &width, &height) != 2) return false;
      arguments.bitmap.boxSide1 = width;
      arguments.bitmap.boxSide2 = height;
    } else if (argument == "--host" && hasValue) {
      arguments.hostPath = argv[++i];
    } else if (argument == "--work" && hasValue) {
      arguments.workFolder = argv[++i];
    } else if (argument.rfind("--", 0) == 0) {
      return false;
    } else {
      arguments.positional.push_back(argument);
    }
  }
  // The first word that is not an option names the command.
  if (arguments.positional.empty()) return false;
  arguments.command = arguments.positional.front();
  arguments.positional.erase(arguments.positional.begin());
  if (arguments.command == "probe") {
    if (arguments.positional.size() > 1) arguments.probeHead = ByteCount(arguments.positional[1]);
    if (arguments.positional.size() > 2) arguments.probeTail = ByteCount(arguments.positional[2]);
    return !arguments.positional.empty() && arguments.positional.size() <= 3;
  }
  const size_t expected = arguments.command == "convert" ? 2 : 1;
  return (arguments.command == "convert" || arguments.command == "info" ||
          arguments.command == "props") &&
         arguments.positional.size() == expected;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("Cannot read " + path);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

int Convert(zel::client::CHostClient& client, const FileRef& file, const Arguments& arguments) {
  const std::filesystem::path outFolder = arguments.positional[1];
  std::filesystem::create_directories(outFolder);
  const zel::client::BitmapReply reply = client.ConvertToBitmap(file, arguments.bitmap);
  const std::string stem = std::filesystem::path(arguments.positional[0]).stem().string();
  std::cout << (reply.animated ? "animation" : "still image") << ", "
            << (reply.animated ? "canvas " : "") << reply.width << "x" << reply.height << ", "
            << reply.frames.size() << (reply.frames.size() == 1 ? " frame" : " frames") << "\n";
  for (size_t i = 0; i < reply.frames.size(); ++i) {
    const zel::client::Frame& frame = reply.frames[i];
    // A picture of no pixels cannot be written (the encoder would stop the program on an
    // assertion); a host that sends one has failed to read the file.
    if (frame.width <= 0 || frame.height <= 0) {
      throw std::runtime_error("The host sent an empty frame (" + std::to_string(frame.width) +
                               "x" + std::to_string(frame.height) + ")");
    }
    const std::string name =
        reply.animated ? stem + "_frame" + std::to_string(i) + ".png" : stem + ".png";
    zel::client::WritePng(frame, (outFolder / name).string());
    std::cout << "  " << name << ": " << frame.width << "x" << frame.height << " at (" << frame.x
              << "," << frame.y << ")";
    if (reply.animated) std::cout << ", delay " << frame.delayMs << " ms";
    std::cout << "\n";
  }
  return 0;
}

void PrintSummary(const zel::ImageSummary& summary) {
  std::cout << "size " << summary.width << "x" << summary.height << "\n"
            << "rotation " << summary.rotation
            << ((summary.flags & zel::ImageSummary::kTurnedFlag) ? " (turned)" : "") << "\n"
            << "animated " << ((summary.flags & zel::ImageSummary::kAnimatedFlag) ? "yes" : "no")
            << "\n"
            << "date taken " << (summary.dateTaken.empty() ? "-" : summary.dateTaken) << "\n";
}

int Info(zel::client::CHostClient& client, const FileRef& file) {
  const zel::client::FileInfoReply reply = client.FileInfo(file);
  if (!reply.known) {
    std::cout << "no size information\n";
    return 0;
  }
  PrintSummary(reply.summary);
  return 0;
}

// Sends the first and last bytes of the file, and again with the sizes the host asks for as long
// as it asks for more than it already had.
int Probe(zel::client::CHostClient& client, const FileRef& file, const Arguments& arguments) {
  const int64_t size = file.size;
  int64_t head = std::min(size, arguments.probeHead);
  int64_t tail = std::min(size, arguments.probeTail);
  for (int step = 1;; ++step) {
    std::cout << "request " << step << ": head " << head << ", tail " << tail << " of " << size
              << " bytes\n";
    FileRef first = file;
    first.size = static_cast<int32_t>(head);
    const zel::client::PartialProbeReply reply = client.ProbePartialImage(
        first, file.size, file.data + (size - tail), static_cast<int32_t>(tail));
    if (reply.result == 0) {
      std::cout << "result 0: summary\n";
      PrintSummary(reply.summary);
      return 0;
    }
    if (reply.result != 1) {
      std::cout << "result " << reply.result << ": cannot be done from partial data\n";
      return 0;
    }
    std::cout << "result 1: needs head " << reply.needHead << ", tail " << reply.needTail << "\n";
    if (reply.needHead < 0 || reply.needTail < 0 || reply.needHead > size ||
        reply.needTail > size) {
      std::cout << "the needs lie outside the file; stopping\n";
      return 1;
    }
    const int64_t nextHead = std::max<int64_t>(head, reply.needHead);
    const int64_t nextTail = std::max<int64_t>(tail, reply.needTail);
    if (nextHead == head && nextTail == tail) {
      std::cout << "the host asks for nothing new; stopping\n";
      return 1;
    }
    head = nextHead;
    tail = nextTail;
  }
}

int Properties(zel::client::CHostClient& client, const FileRef& file) {
  const zel::client::PropertiesReply reply = client.ReadImageProperties(file);
  if (!reply.found) {
    std::cout << "no properties\n";
    return 0;
  }
  for (const auto& [name, value] : reply.properties) std::cout << name << ": " << value << "\n";
  for (const auto& [name, value] : reply.hostAttributes) std::cout << name << ": " << value << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments arguments;
  try {
    if (!ParseArguments(argc, argv, arguments)) {
      std::cerr << kUsage;
      return 2;
    }
  } catch (const std::exception&) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    Magick::InitializeMagick(nullptr);
    zel::client::HostOptions options;
    options.hostPath =
        arguments.hostPath.empty() ? zel::client::DefaultHostPath() : arguments.hostPath;
    options.workFolder = arguments.workFolder.empty()
                             ? (std::filesystem::temp_directory_path() / "zelClient.work").string()
                             : arguments.workFolder;
    std::filesystem::create_directories(options.workFolder);
    // The host's own console lines (start-up reports, failed conversions) go to a log file so that
    // they do not mix with this program's output.
    options.consoleOutputPath = options.workFolder + "/zelHost-console.txt";

    const std::string& path = arguments.positional[0];
    const std::vector<uint8_t> bytes = ReadFile(path);
    // Sizes cross the channel as 32-bit counts; a larger file must not go out cut to its low bits.
    if (bytes.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
      throw std::runtime_error("File too large: " + path);
    }
    FileRef file;
    file.name = vesku::ToWide(std::filesystem::path(path).filename().string());
    file.mimeType = zel::DetectMimeType(vesku::ToWide(path), bytes);
    file.data = bytes.data();
    file.size = static_cast<int32_t>(bytes.size());

    zel::client::CHostClient client(options);
    if (arguments.command == "convert") return Convert(client, file, arguments);
    if (arguments.command == "info") return Info(client, file);
    if (arguments.command == "probe") return Probe(client, file, arguments);
    return Properties(client, file);
  } catch (const std::exception& error) {
    std::cerr << "zelClient: " << error.what() << "\n";
    return 1;
  }
}
