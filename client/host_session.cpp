#include "client/host_session.h"

#include <chrono>
#include <cstring>
#include <random>
#include <stdexcept>

#include "platform/child_process.h"
#include "platform/shared_memory.h"
#include "rpc/archive_values.h"
#include "rpc/rpc_layout.h"
#include "util/exceptions.h"
#include "util/strings.h"

namespace zel::client {

namespace {

// How often the reply thread looks at the host process when no reply arrives.
constexpr uint32_t kPollIntervalMs = 50;
// How often a caller looks for room in a full request ring.
constexpr int kRoomPollMs = 5;
// How long a host that was let go may take to end before it is killed.
constexpr int32_t kShutdownGraceMs = 30000;

uint64_t RandomToken() {
  std::random_device device;
  return (static_cast<uint64_t>(device()) << 32) | device();
}

void OpenChannel(vesku_rpc::CRpcChannel& channel, const std::string& name, int32_t size) {
  const platform::SecurityAttributes ownerOnly{0600};
  const int32_t code = channel.Open(vesku::ToWide(name), size, true, &ownerOnly, u"");
  if (code != 0) throw vesku::CWinException("Cannot create channel " + name, code);
}

}  // namespace

HostSession::HostSession(const HostOptions& options, const std::string& channelName)
    : channelName_(channelName),
      dumpPath_(options.workFolder + "/dumps/zelHost.dmp"),
      names_{channelName,
             options.bufferSize == -1 ? vesku_rpc::kDefaultChannelSize : options.bufferSize},
      token_(RandomToken()) {
  OpenChannel(replies_, channelName + "_in", names_.size);
  OpenChannel(requests_, channelName + "_out", names_.size);

  platform::Pipe pipe;
  if (const int32_t code = platform::CreatePipe(pipe); code != 0) {
    throw vesku::CWinException("Cannot create pipe", code);
  }
  const std::vector<std::string> arguments = {options.hostPath,
                                              channelName,
                                              std::to_string(options.listenerCount),
                                              std::to_string(options.bufferSize),
                                              options.workFolder,
                                              std::to_string(pipe.readEnd.Get())};
  if (const int32_t code = platform::SpawnProcess(options.hostPath, arguments, pipe.readEnd,
                                                  options.consoleOutputPath, process_);
      code != 0) {
    throw vesku::CWinException("Cannot start " + options.hostPath, code);
  }
  processId_ = process_.Get();
  // The host holds its own copy of the read end; this one would keep the pipe open after it.
  pipe.readEnd.Reset();
  pipeWriteEnd_ = std::move(pipe.writeEnd);
  try {
    replyThread_ = std::thread(&HostSession::ReplyLoop, this);
  } catch (...) {
    // Without a reply thread nobody would notice the host end: let it go now and reap it; the
    // process guard kills one that does not end in time.
    ReleaseHost();
    platform::ProcessState state = platform::ProcessState::kRunning;
    int exitCode = 0;
    platform::WaitForProcess(processId_, kShutdownGraceMs, state, exitCode);
    if (state == platform::ProcessState::kExited) process_.Release();
    throw;
  }
}

HostSession::ChannelNames::~ChannelNames() {
  vesku_rpc::CRpcChannel::Remove(vesku::ToWide(base + "_in"), size, u"");
  vesku_rpc::CRpcChannel::Remove(vesku::ToWide(base + "_out"), size, u"");
}

HostSession::~HostSession() { Shutdown(); }

bool HostSession::ended() const {
  std::lock_guard lock(mutex_);
  return ended_;
}

HostExit HostSession::exit() const {
  std::lock_guard lock(mutex_);
  return exit_;
}

void HostSession::ReleaseHost() {
  if (releasing_.exchange(true)) return;
  pipeWriteEnd_.Reset();
  // Wake the reply thread now rather than at its next look, so that it starts waiting for the
  // host's end at once: a short-lived client would otherwise lose up to a poll interval.
  try {
    vesku_rpc::CRpcChannel::Signal(replies_.EventHandle().Get());
  } catch (const std::exception&) {
    // It looks again within the poll interval all the same.
  }
}

HostExit HostSession::Shutdown() {
  ReleaseHost();
  {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::milliseconds(kShutdownGraceMs),
                           [this] { return ended_; })) {
      platform::KillProcess(process_.Get());
    }
  }
  if (replyThread_.joinable()) replyThread_.join();
  return exit();
}

RawReply HostSession::Call(int32_t size,
                           const std::function<void(vesk::CArchiveOverBuffer&)>& write,
                           int32_t timeoutMs) {
  uint64_t id;
  {
    std::lock_guard lock(mutex_);
    if (ended_) throw HostDied(exit_, dumpPath_);
    id = nextId_++;
  }
  // A request that the ring can never hold would only wait out its time-out.
  const int64_t messageSize = (int64_t{vesku_rpc::kMessageHeaderSize} + size + 7) & ~int64_t{7};
  if (size < 0 || messageSize > requests_.Capacity()) {
    throw std::length_error("Request too large for the channel");
  }
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  const vesku_rpc::RpcSlot request = AllocateRequest(size, deadline);
  try {
    vesk::CArchiveOverBuffer archive;
    archive.BindForWriting(request.payload, size);
    write(archive);
  } catch (...) {
    // An unposted message would block the ring for good.
    requests_.FreeMessage(request.message);
    throw;
  }
  std::memcpy(request.message->correlation, &id, sizeof(id));
  std::memcpy(request.message->correlation + sizeof(id), &token_, sizeof(token_));

  Pending pending;
  std::unique_lock lock(mutex_);
  pending_[id] = &pending;
  try {
    requests_.Post(request.message);
  } catch (...) {
    pending_.erase(id);
    throw;
  }
  changed_.wait_until(lock, deadline, [&] { return pending.done || ended_; });
  pending_.erase(id);
  if (pending.done) return std::move(pending.reply);
  if (ended_) throw HostDied(exit_, dumpPath_);
  throw ReplyTimeout();
}

vesku_rpc::RpcSlot HostSession::AllocateRequest(int32_t size, Clock::time_point deadline) {
  for (;;) {
    if (std::optional<vesku_rpc::RpcSlot> slot = requests_.Allocate(size)) return *slot;
    // The ring stays full while the host works on earlier requests; a host that died will never
    // make room again, so its end is looked for on every try.
    {
      std::lock_guard lock(mutex_);
      if (ended_) throw HostDied(exit_, dumpPath_);
    }
    if (Clock::now() >= deadline) throw ReplyTimeout();
    std::this_thread::sleep_for(std::chrono::milliseconds(kRoomPollMs));
  }
}

void HostSession::DrainReplies() {
  while (const std::optional<vesku_rpc::RpcSlot> taken = replies_.TakeNext()) {
    uint64_t id = 0;
    uint64_t token = 0;
    std::memcpy(&id, taken->message->correlation, sizeof(id));
    std::memcpy(&token, taken->message->correlation + sizeof(id), sizeof(token));
    RawReply reply;
    reply.status = taken->message->status;
    const uint8_t* payload = static_cast<const uint8_t*>(taken->payload);
    try {
      reply.payload.assign(payload, payload + taken->length);
    } catch (...) {
      // A message left taken would block the reply ring for good.
      replies_.FreeMessage(taken->message);
      throw;
    }
    replies_.FreeMessage(taken->message);

    std::lock_guard lock(mutex_);
    const auto waiting = pending_.find(id);
    // A reply whose caller gave up waiting (or from another session) is dropped.
    if (token != token_ || waiting == pending_.end()) continue;
    waiting->second->reply = std::move(reply);
    waiting->second->done = true;
    changed_.notify_all();
  }
}

bool HostSession::TryDrainReplies(uint32_t waitMs) {
  try {
    replies_.WaitForSignal(waitMs);
    DrainReplies();
    return true;
  } catch (const vesku_rpc::RpcNoDeliver&) {
    // The host marked the reply channel closed: it is stopping, or could not deliver a reply and
    // will send none from now on.
  } catch (const std::exception&) {
    // The channel cannot be used any more; nothing sent over it can be trusted to arrive.
  }
  return false;
}

void HostSession::ReplyLoop() {
  for (;;) {
    // Once the host is let go only its end matters: the wait moves from the reply channel to the
    // process, so that its end is noticed the moment it comes.
    const bool released = releasing_;
    // A host whose replies cannot be taken any more is done; let it go.
    if (!TryDrainReplies(released ? 0 : kPollIntervalMs)) ReleaseHost();
    int exitCode = 0;
    const int32_t waitMs = released ? static_cast<int32_t>(kPollIntervalMs) : 0;
    platform::ProcessState state = platform::ProcessState::kRunning;
    // A wait that fails is taken for a host still running; the next pass looks again.
    platform::WaitForProcess(processId_, waitMs, state, exitCode);
    if (state == platform::ProcessState::kExited) {
      // A reply posted just before the host ended still reaches its caller.
      TryDrainReplies(0);
      std::lock_guard lock(mutex_);
      // Reaped: its id may already belong to another process.
      process_.Release();
      ended_ = true;
      exit_.exitCode = exitCode;
      changed_.notify_all();
      return;
    }
  }
}

}  // namespace zel::client
