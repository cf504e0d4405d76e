#include "client/command/file_jobs.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "client/picture/picture_file.h"
#include "detect/detect_mime_type.h"
#include "platform/files.h"
#include "util/strings.h"

namespace zel::client {

namespace {

std::string Reason(int32_t code) {
  return std::error_code(code, std::generic_category()).message();
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  // Only regular files: a named pipe or a device would keep the batch waiting.
  platform::FileHandle handle;
  if (const int32_t code = platform::OpenForReading(vesku::ToWide(path), handle); code != 0) {
    throw std::runtime_error("Cannot read the file: " + Reason(code));
  }
  int64_t size = 0;
  if (const int32_t code = platform::GetFileSize(handle, size); code != 0) {
    throw std::runtime_error("Cannot read the file: " + Reason(code));
  }
  // Sizes cross the channel as 32-bit counts; a larger file must not go out cut to its low bits.
  if (size > std::numeric_limits<int32_t>::max()) throw std::runtime_error("File too large");
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  uint32_t read = 0;
  if (const int32_t code =
          platform::ReadFile(handle, bytes.data(), static_cast<uint32_t>(size), read);
      code != 0) {
    throw std::runtime_error("Cannot read the file: " + Reason(code));
  }
  // A file that shrank while it was read is sent as it was found.
  bytes.resize(read);
  return bytes;
}

std::string Convert(const JobContext& context, const FileRef& file, const std::string& path) {
  const BitmapReply reply = context.client.ConvertToBitmap(file, context.line.bitmap);
  const picture::PictureFormat format = context.line.format;

  std::vector<picture::PictureFileJob> jobs;
  std::vector<std::string> endings;
  for (size_t i = 0; i < reply.frames.size(); ++i) {
    const Frame& frame = reply.frames[i];
    // A host that sends a picture of no pixels has failed to read the file.
    if (frame.width <= 0 || frame.height <= 0) {
      throw std::runtime_error("The host sent an empty frame (" + std::to_string(frame.width) +
                               "x" + std::to_string(frame.height) + ")");
    }
    const picture::BgraPicture picture{frame.bgra.data(), frame.width, frame.height};
    jobs.push_back({picture, std::string()});
    endings.push_back((reply.animated ? "_frame" + std::to_string(i) : std::string()) +
                      picture::FileExtension(format, picture::IsOpaque(picture)));
  }
  const std::vector<std::string> paths =
      context.names.Reserve(std::filesystem::path(path).stem().string(), endings);
  for (size_t i = 0; i < jobs.size(); ++i) jobs[i].path = paths[i];
  picture::WritePictureFiles(jobs, format, picture::ExistingFile::kRefuse);

  std::ostringstream report;
  const auto name = [&](size_t i) { return std::filesystem::path(paths[i]).filename().string(); };
  const char* kind = reply.animated ? "animation" : "still image";
  const std::string size = std::to_string(reply.width) + "x" + std::to_string(reply.height);
  const std::string count =
      std::to_string(reply.frames.size()) + (reply.frames.size() == 1 ? " frame" : " frames");
  if (!context.detailed) {
    report << path << " -> " << (paths.empty() ? "nothing" : name(0));
    if (paths.size() > 1) report << " ... " << name(paths.size() - 1);
    report << " (" << kind << ", " << size << ", " << count << ")\n";
    return report.str();
  }
  report << kind << ", " << (reply.animated ? "canvas " : "") << size << ", " << count << "\n";
  for (size_t i = 0; i < reply.frames.size(); ++i) {
    const Frame& frame = reply.frames[i];
    report << "  " << name(i) << ": " << frame.width << "x" << frame.height << " at (" << frame.x
           << "," << frame.y << ")";
    if (reply.animated) report << ", delay " << frame.delayMs << " ms";
    report << "\n";
  }
  return report.str();
}

void PrintSummary(std::ostream& out, const ImageSummary& summary) {
  out << "size " << summary.width << "x" << summary.height << "\n"
      << "rotation " << summary.rotation
      << ((summary.flags & ImageSummary::kTurnedFlag) ? " (turned)" : "") << "\n"
      << "animated " << ((summary.flags & ImageSummary::kAnimatedFlag) ? "yes" : "no") << "\n"
      << "date taken " << (summary.dateTaken.empty() ? "-" : summary.dateTaken) << "\n";
}

std::string Info(const JobContext& context, const FileRef& file) {
  const FileInfoReply reply = context.client.FileInfo(file);
  std::ostringstream report;
  if (!reply.known) {
    report << "no size information\n";
  } else {
    PrintSummary(report, reply.summary);
  }
  return report.str();
}

std::string Properties(const JobContext& context, const FileRef& file) {
  const PropertiesReply reply = context.client.ReadImageProperties(file);
  std::ostringstream report;
  if (!reply.found) {
    report << "no properties\n";
    return report.str();
  }
  for (const auto& [name, value] : reply.properties) report << name << ": " << value << "\n";
  for (const auto& [name, value] : reply.hostAttributes) report << name << ": " << value << "\n";
  return report.str();
}

// Sends the first and last bytes of the file, and again with the sizes the host asks for as long
// as it asks for more than it already had. A host that asks for nothing new, or for bytes the file
// does not have, fails the file.
std::string Probe(const JobContext& context, const FileRef& file) {
  const int64_t size = file.size;
  int64_t head = std::min(size, context.line.probeHead);
  int64_t tail = std::min(size, context.line.probeTail);
  std::ostringstream report;
  for (int step = 1;; ++step) {
    report << "request " << step << ": head " << head << ", tail " << tail << " of " << size
           << " bytes\n";
    FileRef first = file;
    first.size = static_cast<int32_t>(head);
    const PartialProbeReply reply = context.client.ProbePartialImage(
        first, file.size, file.data + (size - tail), static_cast<int32_t>(tail));
    if (reply.result == 0) {
      report << "result 0: summary\n";
      PrintSummary(report, reply.summary);
      return report.str();
    }
    if (reply.result != 1) {
      report << "result " << reply.result << ": cannot be done from partial data\n";
      return report.str();
    }
    report << "result 1: needs head " << reply.needHead << ", tail " << reply.needTail << "\n";
    if (reply.needHead < 0 || reply.needTail < 0 || reply.needHead > size ||
        reply.needTail > size) {
      throw JobFailed(report.str(), "the needs lie outside the file");
    }
    const int64_t nextHead = std::max<int64_t>(head, reply.needHead);
    const int64_t nextTail = std::max<int64_t>(tail, reply.needTail);
    if (nextHead == head && nextTail == tail) {
      throw JobFailed(report.str(), "the host asks for nothing new");
    }
    head = nextHead;
    tail = nextTail;
  }
}

}  // namespace

std::string RunFileJob(const JobContext& context, const std::string& path) {
  const std::vector<uint8_t> bytes = ReadWholeFile(path);
  FileRef file;
  file.name = vesku::ToWide(std::filesystem::path(path).filename().string());
  file.mimeType = DetectMimeType(vesku::ToWide(path), bytes);
  file.data = bytes.data();
  file.size = static_cast<int32_t>(bytes.size());

  const std::string& command = context.line.command;
  if (command == "convert") return Convert(context, file, path);
  if (command == "info") return Info(context, file);
  if (command == "probe") return Probe(context, file);
  return Properties(context, file);
}

std::string ReportHeading(const JobContext& context, const std::string& path) {
  // A conversion's one line already names its file.
  if (context.detailed || context.line.command == "convert") return std::string();
  return "==> " + path + " <==\n";
}

}  // namespace zel::client
