// One running host: its two channels, its process with the pipe that keeps it alive, and the thread
// that takes replies off the reply channel and hands each to the caller that waits for it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "client/host_client.h"
#include "platform/child_process.h"
#include "platform/descriptors.h"
#include "rpc/rpc_channel.h"

namespace zel::client {

class HostSession {
 public:
  // Creates the channels (for the current user only), starts the host and the reply thread.
  HostSession(const HostOptions& options, const std::string& channelName);
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // Throws HostDied when the host ends before the reply arrives, ReplyTimeout when `timeoutMs`
  // pass (waiting for room in the request ring included), std::length_error at once for a request
  // larger than the channel can hold.
  RawReply Call(int32_t size, const std::function<void(vesk::CArchiveOverBuffer&)>& write,
                int32_t timeoutMs);

  // Lets the host go (its wait descriptor hangs up) and waits for it to end; kills it when it does
  // not end within a while. Returns how it ended.
  HostExit Shutdown();

  bool ended() const;
  HostExit exit() const;
  int processId() const { return processId_; }
  const std::string& channelName() const { return channelName_; }

 private:
  struct Pending {
    bool done = false;
    RawReply reply;
  };

  using Clock = std::chrono::steady_clock;

  // Room for a request, waiting while the ring is full; throws HostDied or ReplyTimeout.
  vesku_rpc::RpcSlot AllocateRequest(int32_t size, Clock::time_point deadline);
  void ReplyLoop();
  void DrainReplies();
  // Waits up to `waitMs` for a signal, then drains the reply channel; false when it cannot be used.
  bool TryDrainReplies(uint32_t waitMs);
  void ReleaseHost();

  // Removes the names of both channels' objects when the session goes, including a session whose
  // start failed half way. Declared before the channels, so it runs after they are closed.
  struct ChannelNames {
    ~ChannelNames();
    std::string base;
    int32_t size;
  };

  const std::string channelName_;
  const std::string dumpPath_;
  const ChannelNames names_;
  vesku_rpc::CRpcChannel requests_;
  vesku_rpc::CRpcChannel replies_;
  // The host ends when this end closes (the host holds the other).
  platform::DescriptorGuard pipeWriteEnd_;
  // Guarded by mutex_ once the reply thread runs; released when the reply thread has reaped it.
  platform::ChildProcess process_;
  int processId_ = 0;  // for reports only; the host may be gone

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::map<uint64_t, Pending*> pending_;
  uint64_t nextId_ = 1;
  const uint64_t token_;
  bool ended_ = false;
  HostExit exit_;

  std::atomic<bool> releasing_{false};
  std::thread replyThread_;
};

}  // namespace zel::client
