// zelThumbnailer: the desktop's thumbnailer over zelHost, called the way file managers call
// thumbnailers:
//
//   zelThumbnailer -s SIZE INPUT OUTPUT
//
// It converts INPUT through a host of its own into a PNG file OUTPUT of at most SIZE × SIZE pixels
// (an animation's first frame, a document's first page). On failure it writes a message to the
// error stream, exits with 1 (2 for wrong arguments) and leaves no OUTPUT behind. The untrusted
// file is decoded only inside the host; this program only reads its bytes and draws the BGRA
// pixels the host returns.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "client/host_client.h"
#include "client/host_location.h"
#include "client/picture/picture_file.h"
#include "client/private_work_folder.h"
#include "client/thumbnailer/thumbnail_picture.h"
#include "detect/detect_mime_type.h"
#include "detect/mime_types.h"
#include "platform/files.h"
#include "platform/uuid.h"
#include "util/exceptions.h"
#include "util/strings.h"

namespace {

using zel::client::BitmapReply;
using zel::client::FileRef;
using zel::client::Frame;

constexpr char kUsage[] = "usage: zelThumbnailer -s SIZE INPUT OUTPUT\n";
// Thumbnail sizes in use go up to 1024; anything far beyond is a mistake, not a thumbnail.
constexpr int32_t kLargestSize = 8192;
// The file travels in one request, so its channel must hold it; the bitmap gets half a channel.
constexpr int64_t kSmallestChannel = 64 << 20;
constexpr int64_t kChannelHeadroom = 16 << 20;
constexpr int64_t kLargestFile = 512 << 20;

struct Arguments {
  int32_t size = 0;
  std::string input;
  std::string output;
};

bool ParseArguments(int argc, char** argv, Arguments& arguments) {
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if ((argument == "-s" || argument == "--size") && i + 1 < argc) {
      const std::string text = argv[++i];
      size_t used = 0;
      try {
        const long value = std::stol(text, &used);
        if (used != text.size() || value < 1 || value > kLargestSize) return false;
        arguments.size = static_cast<int32_t>(value);
      } catch (const std::exception&) {
        return false;
      }
    } else if (argument.size() > 1 && argument[0] == '-') {
      return false;
    } else {
      positional.push_back(argument);
    }
  }
  if (arguments.size == 0 || positional.size() != 2) return false;
  arguments.input = positional[0];
  arguments.output = positional[1];
  return true;
}

// The whole file. Named pipes, devices and folders are refused instead of waited on.
std::vector<uint8_t> ReadInput(const std::string& path) {
  zel::platform::FileHandle file;
  if (const int32_t code = zel::platform::OpenForReading(vesku::ToWide(path), file); code != 0) {
    throw vesku::CWinException("Cannot open the file", code);
  }
  int64_t size = 0;
  if (const int32_t code = zel::platform::GetFileSize(file, size); code != 0) {
    throw vesku::CWinException("Cannot read the file", code);
  }
  if (size > kLargestFile) throw std::runtime_error("File too large for a thumbnail");
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  uint32_t read = 0;
  if (const int32_t code =
          zel::platform::ReadFile(file, bytes.data(), static_cast<uint32_t>(size), read);
      code != 0 || read != bytes.size()) {
    throw vesku::CWinException("Cannot read the file", code);
  }
  if (bytes.empty()) throw std::runtime_error("The file is empty");
  return bytes;
}

// The type the host is told. File managers hand thumbnailers copies under made-up names, so the
// content is looked at before the name wherever it can tell.
std::string TypeOf(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::string detected = zel::DetectMimeType(vesku::ToWide(path), bytes);
  static constexpr char kPdfSignature[] = "%PDF-";
  if (detected == zel::kMimeUnknown && bytes.size() >= 5 &&
      std::equal(kPdfSignature, kPdfSignature + 5, bytes.begin())) {
    return zel::kMimePdf;
  }
  return detected;
}

// Text without a telling name: no NUL byte in its first 64 KiB, or a UTF-16LE byte-order mark.
bool LooksLikeText(const std::vector<uint8_t>& bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return true;
  const auto end = bytes.begin() + static_cast<ptrdiff_t>(std::min<size_t>(bytes.size(), 65536));
  return std::find(bytes.begin(), end, 0) == end;
}

BitmapReply Convert(zel::client::CHostClient& client, FileRef file,
                    const std::vector<uint8_t>& bytes, int32_t size) {
  zel::client::BitmapOptions options;
  options.boxSide1 = size;
  options.boxSide2 = size;
  try {
    return client.ConvertToBitmap(file, options);
  } catch (const zel::client::HostError&) {
    // A file of unknown type that no image decoder takes is most likely plain text.
    if (file.mimeType != zel::kMimeUnknown || !LooksLikeText(bytes)) throw;
  }
  file.mimeType = zel::kMimeText;
  return client.ConvertToBitmap(file, options);
}

// Writes the PNG under a fresh name beside OUTPUT and renames it into place, so that OUTPUT
// either is a whole thumbnail or does not exist.
void WriteThumbnail(const Frame& picture, const std::string& output) {
  std::u16string id;
  if (const int32_t code = zel::platform::CreateUuidText(id); code != 0) {
    throw vesku::CWinException("Cannot name a temporary file", code);
  }
  const std::filesystem::path target(output);
  const std::filesystem::path temporary =
      target.parent_path() / ("." + target.filename().string() + "." + vesku::ToUtf8(id) + ".png");
  try {
    zel::picture::WritePictureFile({picture.bgra.data(), picture.width, picture.height},
                                   zel::picture::PictureFormat::kPng, temporary.string(),
                                   zel::picture::ExistingFile::kRefuse);
    std::filesystem::rename(temporary, target);
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw;
  }
}

// The lines in which the host explained a failed request.
void RelayHostMessages(const std::string& consolePath) {
  std::ifstream console(consolePath);
  std::string line;
  while (std::getline(console, line)) {
    if (line.rfind("zelHost:", 0) == 0) std::cerr << line << "\n";
  }
}

void MakeThumbnail(const Arguments& arguments) {
  const std::vector<uint8_t> bytes = ReadInput(arguments.input);
  FileRef file;
  file.name = vesku::ToWide(std::filesystem::path(arguments.input).filename().string());
  file.mimeType = TypeOf(arguments.input, bytes);
  file.data = bytes.data();
  file.size = static_cast<int32_t>(bytes.size());

  const zel::client::CPrivateWorkFolder work("zelThumbnailer");
  zel::client::HostOptions options;
  options.hostPath = zel::client::DefaultHostPath();
  options.workFolder = work.path();
  options.listenerCount = 1;
  options.bufferSize = static_cast<int32_t>(
      std::max<int64_t>(kSmallestChannel, static_cast<int64_t>(bytes.size()) + kChannelHeadroom));
  options.consoleOutputPath = work.path() + "/zelHost-console.txt";
  try {
    Frame picture;
    {
      zel::client::CHostClient client(options);
      picture = zel::client::FitIntoSquare(
          zel::client::FirstComposedFrame(Convert(client, file, bytes, arguments.size)),
          arguments.size);
    }
    WriteThumbnail(picture, arguments.output);
  } catch (const zel::client::HostError&) {
    RelayHostMessages(options.consoleOutputPath);
    throw;
  } catch (const zel::client::HostDied& died) {
    // The work folder with the host's dump goes when this returns; do not point at it.
    throw std::runtime_error(died.exit().crashed()
                                 ? "The host crashed on the file"
                                 : "The host ended with exit code " +
                                       std::to_string(died.exit().exitCode) + " on the file");
  }
}

}  // namespace

int main(int argc, char** argv) {
  Arguments arguments;
  if (!ParseArguments(argc, argv, arguments)) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    MakeThumbnail(arguments);
    return 0;
  } catch (const std::exception& error) {
    std::cerr << "zelThumbnailer: " << arguments.input << ": " << error.what() << "\n";
    return 1;
  }
}
