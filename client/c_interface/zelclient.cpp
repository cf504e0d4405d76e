// The C interface over CHostClient. Every entry point catches whatever the C++ client throws and
// turns it into a status and a message of the calling thread: no exception and no C++ type
// crosses into C.
#include "client/c_interface/zelclient.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "client/host_client.h"
#include "client/host_location.h"
#include "client/private_work_folder.h"
#include "detect/detect_mime_type.h"
#include "util/exceptions.h"
#include "util/strings.h"

struct zel_host {
  // Declared before the client so that the host has ended before its folder goes.
  std::unique_ptr<zel::client::CPrivateWorkFolder> ownWorkFolder;
  std::unique_ptr<zel::client::CHostClient> client;
};

namespace {

using zel::client::FileRef;

thread_local std::string lastError;

zel_status Fail(zel_status status, const char* message) {
  try {
    lastError = message;
  } catch (...) {
    lastError.clear();
  }
  return status;
}

// Runs `work` and maps what it throws onto a status.
template <class Work>
zel_status Guarded(Work&& work) {
  try {
    work();
    return ZEL_OK;
  } catch (const zel::client::HostDied& error) {
    return Fail(ZEL_ERROR_HOST_DIED, error.what());
  } catch (const zel::client::ReplyTimeout& error) {
    return Fail(ZEL_ERROR_TIMEOUT, error.what());
  } catch (const zel::client::HostError& error) {
    return Fail(ZEL_ERROR_REQUEST_FAILED, error.what());
  } catch (const std::length_error& error) {
    return Fail(ZEL_ERROR_TOO_LARGE, error.what());
  } catch (const std::bad_alloc&) {
    return Fail(ZEL_ERROR_NO_MEMORY, "Out of memory");
  } catch (const vesku::CWinException& error) {
    return Fail(ZEL_ERROR_SYSTEM, error.what());
  } catch (const std::exception& error) {
    return Fail(ZEL_ERROR_FAILED, error.what());
  } catch (...) {
    return Fail(ZEL_ERROR_FAILED, "Unknown failure");
  }
}

zel_status InvalidArgument(const char* message) {
  return Fail(ZEL_ERROR_INVALID_ARGUMENT, message);
}

bool ValidBytes(const uint8_t* data, size_t size) {
  return (data != nullptr || size == 0) &&
         size <= static_cast<size_t>(std::numeric_limits<int32_t>::max());
}

bool ValidFile(const zel_file* file) {
  return file != nullptr && ValidBytes(file->data, file->size);
}

FileRef ToFileRef(const zel_file& file) {
  FileRef ref;
  const std::string name = file.name != nullptr ? file.name : "";
  ref.name = vesku::ToWide(name);
  if (file.mime_type != nullptr) {
    ref.mimeType = file.mime_type;
  } else {
    // The detector reads the first eight bytes only.
    const std::vector<uint8_t> first(file.data, file.data + std::min<size_t>(file.size, 8));
    ref.mimeType = zel::DetectMimeType(ref.name, first);
  }
  ref.data = file.data;
  ref.size = static_cast<int32_t>(file.size);
  return ref;
}

void ToImageInfo(const zel::ImageSummary& summary, zel_image_info& info) {
  info = zel_image_info{};
  info.width = summary.width;
  info.height = summary.height;
  info.flags = summary.flags;
  info.rotation = summary.rotation;
  // The host sends dates in one 23-character form; anything longer is cut, never overrun.
  const size_t length = std::min(summary.dateTaken.size(), sizeof(info.date_taken) - 1);
  std::memcpy(info.date_taken, summary.dateTaken.data(), length);
}

// What zel_bitmap_free releases: the public record first, so that its address is the whole.
struct BitmapBlock {
  zel_bitmap bitmap{};
  zel::client::BitmapReply reply;
  std::vector<zel_frame> frames;
};
static_assert(std::is_standard_layout_v<BitmapBlock>);

struct PropertiesBlock {
  zel_properties properties{};
  zel::client::PropertiesReply reply;
  std::vector<zel_property> items;
  std::vector<zel_property> hostAttributes;
};
static_assert(std::is_standard_layout_v<PropertiesBlock>);

std::vector<zel_property> ToProperties(
    const std::vector<std::pair<std::string, std::string>>& pairs) {
  std::vector<zel_property> items;
  items.reserve(pairs.size());
  for (const auto& [name, value] : pairs) items.push_back({name.c_str(), value.c_str()});
  return items;
}

}  // namespace

extern "C" {

const char* zel_last_error_message(void) { return lastError.c_str(); }

zel_status zel_host_new(const zel_host_options* options, zel_host** host) {
  if (host == nullptr) return InvalidArgument("No place for the host");
  *host = nullptr;
  const zel_host_options given = options != nullptr ? *options : zel_host_options{};
  if (given.listener_count < 0 || given.buffer_size < 0 || given.reply_timeout_ms < 0) {
    return InvalidArgument("Negative option");
  }
  return Guarded([&] {
    auto made = std::make_unique<zel_host>();
    zel::client::HostOptions hostOptions;
    hostOptions.hostPath =
        given.host_path != nullptr ? given.host_path : zel::client::DefaultHostPath();
    if (given.work_folder != nullptr) {
      hostOptions.workFolder = given.work_folder;
    } else {
      made->ownWorkFolder = std::make_unique<zel::client::CPrivateWorkFolder>("zelclient");
      hostOptions.workFolder = made->ownWorkFolder->path();
    }
    // The host's start-up reports and failure lines stay out of the viewer's own output.
    hostOptions.consoleOutputPath = given.console_output_path != nullptr
                                        ? given.console_output_path
                                        : hostOptions.workFolder + "/zelHost-console.txt";
    if (given.listener_count != 0) hostOptions.listenerCount = given.listener_count;
    if (given.buffer_size != 0) hostOptions.bufferSize = given.buffer_size;
    if (given.reply_timeout_ms != 0) hostOptions.replyTimeoutMs = given.reply_timeout_ms;
    made->client = std::make_unique<zel::client::CHostClient>(std::move(hostOptions));
    *host = made.release();
  });
}

void zel_host_free(zel_host* host) {
  if (host == nullptr) return;
  // The host is ended here, where a failure can still be caught; nothing is left to fail after.
  Guarded([&] { host->client->Stop(); });
  delete host;
}

zel_status zel_host_start(zel_host* host) {
  if (host == nullptr) return InvalidArgument("No host");
  return Guarded([&] { host->client->Start(); });
}

zel_status zel_host_stop(zel_host* host, int* exit_code) {
  if (host == nullptr) return InvalidArgument("No host");
  return Guarded([&] {
    const std::optional<zel::client::HostExit> exit = host->client->Stop();
    if (exit_code != nullptr) *exit_code = exit ? exit->exitCode : -1;
  });
}

int zel_host_process_id(const zel_host* host) {
  return host != nullptr ? host->client->hostProcessId() : 0;
}

zel_status zel_file_info(zel_host* host, const zel_file* file, int* known, zel_image_info* info) {
  if (host == nullptr || !ValidFile(file) || known == nullptr || info == nullptr) {
    return InvalidArgument("Missing or invalid argument");
  }
  return Guarded([&] {
    const zel::client::FileInfoReply reply = host->client->FileInfo(ToFileRef(*file));
    *known = reply.known ? 1 : 0;
    ToImageInfo(reply.known ? reply.summary : zel::ImageSummary{}, *info);
  });
}

zel_status zel_convert_to_bitmap(zel_host* host, const zel_file* file,
                                 const zel_bitmap_options* options, zel_bitmap** bitmap) {
  if (host == nullptr || !ValidFile(file) || bitmap == nullptr) {
    return InvalidArgument("Missing or invalid argument");
  }
  *bitmap = nullptr;
  return Guarded([&] {
    zel::client::BitmapOptions bitmapOptions;
    if (options != nullptr) {
      bitmapOptions.rotation = options->rotation;
      bitmapOptions.autoOrient = options->ignore_orientation == 0;
      bitmapOptions.boxSide1 = options->box_width;
      bitmapOptions.boxSide2 = options->box_height;
    }
    auto block = std::make_unique<BitmapBlock>();
    block->reply = host->client->ConvertToBitmap(ToFileRef(*file), bitmapOptions);
    block->frames.reserve(block->reply.frames.size());
    for (const zel::client::Frame& frame : block->reply.frames) {
      block->frames.push_back(
          {frame.x, frame.y, frame.width, frame.height, frame.delayMs, frame.bgra.data()});
    }
    block->bitmap.animated = block->reply.animated ? 1 : 0;
    block->bitmap.width = block->reply.width;
    block->bitmap.height = block->reply.height;
    block->bitmap.frame_count = static_cast<int32_t>(block->frames.size());
    block->bitmap.frames = block->frames.data();
    *bitmap = &block.release()->bitmap;
  });
}

void zel_bitmap_free(zel_bitmap* bitmap) { delete reinterpret_cast<BitmapBlock*>(bitmap); }

zel_status zel_read_image_properties(zel_host* host, const zel_file* file,
                                     zel_properties** properties) {
  if (host == nullptr || !ValidFile(file) || properties == nullptr) {
    return InvalidArgument("Missing or invalid argument");
  }
  *properties = nullptr;
  return Guarded([&] {
    auto block = std::make_unique<PropertiesBlock>();
    block->reply = host->client->ReadImageProperties(ToFileRef(*file));
    block->items = ToProperties(block->reply.properties);
    block->hostAttributes = ToProperties(block->reply.hostAttributes);
    block->properties.found = block->reply.found ? 1 : 0;
    block->properties.count = block->items.size();
    block->properties.items = block->items.data();
    block->properties.host_count = block->hostAttributes.size();
    block->properties.host_attributes = block->hostAttributes.data();
    *properties = &block.release()->properties;
  });
}

void zel_properties_free(zel_properties* properties) {
  delete reinterpret_cast<PropertiesBlock*>(properties);
}

zel_status zel_probe_partial_image(zel_host* host, const zel_file* head, int64_t total_size,
                                   const uint8_t* tail, size_t tail_size,
                                   zel_probe_result* result) {
  if (host == nullptr || !ValidFile(head) || !ValidBytes(tail, tail_size) || result == nullptr ||
      total_size < 0 || total_size > std::numeric_limits<int32_t>::max()) {
    return InvalidArgument("Missing or invalid argument");
  }
  return Guarded([&] {
    const zel::client::PartialProbeReply reply = host->client->ProbePartialImage(
        ToFileRef(*head), static_cast<int32_t>(total_size), tail, static_cast<int32_t>(tail_size));
    *result = zel_probe_result{};
    result->result = reply.result;
    result->need_head = reply.needHead;
    result->need_tail = reply.needTail;
    ToImageInfo(reply.summary, result->info);
  });
}

}  // extern "C"
