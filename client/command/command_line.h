// What zelClient was asked to do, read from its command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "client/picture/picture_format.h"
#include "client/replies.h"

namespace zel::client {

extern const char kUsage[];

struct CommandLine {
  std::string command;  // "convert", "info", "props" or "probe"
  std::vector<std::string> files;
  std::string outputFolder;  // convert only
  BitmapOptions bitmap;
  picture::PictureFormat format = picture::PictureFormat::kPng;
  std::string hostPath;
  std::string workFolder;
  int32_t jobs = 0;           // requests in flight at once; 0: chosen from the machine
  int64_t probeHead = 65536;  // bytes from the start and from the end a probe sends first
  int64_t probeTail = 0;
};

// Nothing when the words (program name excluded) do not make a valid command line.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& words);

}  // namespace zel::client
