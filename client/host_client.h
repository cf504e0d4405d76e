// The viewer's end of the host: creates the two channels, starts zelHost over them, sends requests
// from any number of threads and matches their replies, notices a host that died and starts a new
// one for the next request (after a wait when hosts keep dying, see restart_backoff.h). The request
// that a host died on is reported to its caller, never sent again.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "client/replies.h"
#include "client/restart_backoff.h"
#include "util/crash_handlers.h"

namespace vesk {
class CArchiveOverBuffer;
}

namespace zel::client {

struct HostOptions {
  std::string hostPath;    // the zelHost executable
  std::string workFolder;  // parent of the host's "dumps" and "temp" folders
  int32_t listenerCount = 3;
  int32_t bufferSize = 64 << 20;   // bytes per channel; -1 is the host's default of 200 MiB
  int32_t replyTimeoutMs = 60000;  // how long a call waits for room and for its reply
  std::string consoleOutputPath;   // file for the host's console output; empty: inherited
};

// The host answered with an error reply.
class HostError : public std::runtime_error {
 public:
  explicit HostError(int32_t status);
  int32_t status() const { return status_; }

 private:
  int32_t status_;
};

// How a host process ended. A crash leaves its dump in the dumps folder.
struct HostExit {
  int exitCode = 0;
  bool crashed() const { return exitCode == vesku::kCrashExitCode; }
};

// The host ended (or stopped replying for good) while a request was waiting for its reply.
class HostDied : public std::runtime_error {
 public:
  HostDied(const HostExit& exit, const std::string& dumpPath);
  const HostExit& exit() const { return exit_; }
  const std::string& dumpPath() const { return dumpPath_; }

 private:
  HostExit exit_;
  std::string dumpPath_;
};

// No reply came within the time-out.
class ReplyTimeout : public std::runtime_error {
 public:
  ReplyTimeout() : std::runtime_error("No reply from the host in time") {}
};

struct RawReply {
  int32_t status = 0;
  std::vector<uint8_t> payload;
};

class HostSession;

class CHostClient {
 public:
  explicit CHostClient(HostOptions options);
  // With the waits before restarts measured and spent on `clock`, which must outlive the client.
  CHostClient(HostOptions options, RestartClock& clock);
  // Ends the host (it sees its wait descriptor hang up) and waits for it.
  ~CHostClient();
  CHostClient(const CHostClient&) = delete;
  CHostClient& operator=(const CHostClient&) = delete;

  // Sends one request of exactly `size` bytes, written in place by `write`, and waits for its
  // reply. Starts a host first when none is running, once the restart back-off allows. Throws
  // HostDied, ReplyTimeout, or std::length_error for a request larger than the channel can hold.
  RawReply Call(int32_t size, const std::function<void(vesk::CArchiveOverBuffer&)>& write);
  // The same with a time-out of its own instead of the client's.
  RawReply Call(int32_t size, const std::function<void(vesk::CArchiveOverBuffer&)>& write,
                int32_t timeoutMs);

  // Typed calls; an error reply throws HostError.
  FileInfoReply FileInfo(const FileRef& file);
  BitmapReply ConvertToBitmap(const FileRef& file, const BitmapOptions& options);
  PropertiesReply ReadImageProperties(const FileRef& file);
  PartialProbeReply ProbePartialImage(const FileRef& head, int32_t totalSize, const uint8_t* tail,
                                      int32_t tailSize);

  // Starts a host now unless one runs.
  void Start();
  // Ends the running host, if any, and returns how it ended.
  std::optional<HostExit> Stop();

  // The running host's process id and channel base name (0 and empty when none runs).
  int hostProcessId() const;
  std::string channelName() const;
  // How the last host that is gone ended, if one has.
  std::optional<HostExit> lastExit() const;
  std::string dumpPath() const;

 private:
  std::shared_ptr<HostSession> Session();
  // Forgets `session`, whose host ended on its own, unless it was already replaced or stopped.
  void Retire(const std::shared_ptr<HostSession>& session);
  void RetireLocked();

  const HostOptions options_;
  RestartClock& clock_;
  mutable std::mutex mutex_;
  std::shared_ptr<HostSession> session_;
  std::optional<HostExit> lastExit_;
  RestartBackoff backoff_;
};

}  // namespace zel::client
