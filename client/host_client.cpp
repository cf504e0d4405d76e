#include "client/host_client.h"

#include <atomic>

#include "client/host_session.h"
#include "platform/thread.h"
#include "rpc/archive_values.h"

namespace zel::client {

HostError::HostError(int32_t status)
    : std::runtime_error("The host answered with error " + std::to_string(status)),
      status_(status) {}

HostDied::HostDied(const HostExit& exit, const std::string& dumpPath)
    : std::runtime_error(exit.crashed()
                             ? "The host crashed (exit code 2); its dump is " + dumpPath
                             : "The host ended with exit code " + std::to_string(exit.exitCode)),
      exit_(exit),
      dumpPath_(dumpPath) {}

CHostClient::CHostClient(HostOptions options)
    : CHostClient(std::move(options), SystemRestartClock()) {}

CHostClient::CHostClient(HostOptions options, RestartClock& clock)
    : options_(std::move(options)), clock_(clock) {}

CHostClient::~CHostClient() { Stop(); }

void CHostClient::RetireLocked() {
  lastExit_ = session_->exit();
  backoff_.RecordUnexpectedEnd(clock_.Now());
  session_.reset();
}

void CHostClient::Retire(const std::shared_ptr<HostSession>& session) {
  std::lock_guard lock(mutex_);
  if (session_ == session) RetireLocked();
}

std::shared_ptr<HostSession> CHostClient::Session() {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (session_ && session_->ended()) RetireLocked();
    if (session_) return session_;
    const RestartClock::Duration delay = backoff_.DelayBeforeStart(clock_.Now());
    if (delay <= RestartClock::Duration::zero()) break;
    // Other callers may ask for the running host, or start it themselves, meanwhile.
    lock.unlock();
    clock_.Sleep(delay);
    lock.lock();
  }
  // A fresh channel name per host: a new host never meets an old host's leftovers, and the hosts
  // of two clients in one process (a viewer with two, the C interface) never share a channel.
  static std::atomic<uint64_t> hostsStarted{0};
  const std::string name =
      "zel" + std::to_string(platform::CurrentProcessId()) + "_" + std::to_string(++hostsStarted);
  session_ = std::make_shared<HostSession>(options_, name);
  return session_;
}

void CHostClient::Start() { Session(); }

std::optional<HostExit> CHostClient::Stop() {
  std::shared_ptr<HostSession> session;
  {
    std::lock_guard lock(mutex_);
    session.swap(session_);
  }
  if (!session) return std::nullopt;
  const HostExit exit = session->Shutdown();
  std::lock_guard lock(mutex_);
  lastExit_ = exit;
  return exit;
}

int CHostClient::hostProcessId() const {
  std::lock_guard lock(mutex_);
  return session_ ? session_->processId() : 0;
}

std::string CHostClient::channelName() const {
  std::lock_guard lock(mutex_);
  return session_ ? session_->channelName() : std::string();
}

std::optional<HostExit> CHostClient::lastExit() const {
  std::lock_guard lock(mutex_);
  return lastExit_;
}

std::string CHostClient::dumpPath() const { return options_.workFolder + "/dumps/zelHost.dmp"; }

RawReply CHostClient::Call(int32_t size,
                           const std::function<void(vesk::CArchiveOverBuffer&)>& write) {
  return Call(size, write, options_.replyTimeoutMs);
}

RawReply CHostClient::Call(int32_t size,
                           const std::function<void(vesk::CArchiveOverBuffer&)>& write,
                           int32_t timeoutMs) {
  const std::shared_ptr<HostSession> session = Session();
  try {
    return session->Call(size, write, timeoutMs);
  } catch (const HostDied&) {
    // Noticed now rather than at the next request, so that the back-off counts from the end.
    Retire(session);
    throw;
  }
}

namespace {

const std::vector<uint8_t>& Payload(const RawReply& reply) {
  if (reply.status != 0) throw HostError(reply.status);
  return reply.payload;
}

}  // namespace

FileInfoReply CHostClient::FileInfo(const FileRef& file) {
  const RawReply reply = Call(FileInfoRequestSize(file), [&](vesk::CArchiveOverBuffer& archive) {
    WriteFileInfoRequest(archive, file);
  });
  return DecodeFileInfoReply(Payload(reply));
}

BitmapReply CHostClient::ConvertToBitmap(const FileRef& file, const BitmapOptions& options) {
  const RawReply reply = Call(BitmapRequestSize(file), [&](vesk::CArchiveOverBuffer& archive) {
    WriteBitmapRequest(archive, file, options);
  });
  return DecodeBitmapReply(Payload(reply));
}

PropertiesReply CHostClient::ReadImageProperties(const FileRef& file) {
  const RawReply reply = Call(PropertiesRequestSize(file), [&](vesk::CArchiveOverBuffer& archive) {
    WritePropertiesRequest(archive, file);
  });
  return DecodePropertiesReply(Payload(reply));
}

PartialProbeReply CHostClient::ProbePartialImage(const FileRef& head, int32_t totalSize,
                                                 const uint8_t* tail, int32_t tailSize) {
  const RawReply reply =
      Call(PartialProbeRequestSize(head, tailSize), [&](vesk::CArchiveOverBuffer& archive) {
        WritePartialProbeRequest(archive, head, totalSize, tail, tailSize);
      });
  return DecodePartialProbeReply(Payload(reply));
}

}  // namespace zel::client
