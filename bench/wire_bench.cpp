// The channel between two processes against the physical limits of the machine: a small
// request/reply round trip against a bare event ping-pong (store, futex wake, futex wait), and
// 64 MiB payloads written and read in place against memcpy of the same number of bytes.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/events.h"
#include "platform/shared_memory.h"
#include "platform/thread.h"
#include "platform/wait.h"
#include "rpc/rpc_channel.h"
#include "util/base_guard.h"

namespace {

using vesku_rpc::CRpcChannel;
using vesku_rpc::RpcSlot;
using Clock = std::chrono::steady_clock;
using Guard = vesku::CBaseGuard<vesku::HandleImpl>;

constexpr int32_t kSmallChannel = 1024 * 1024;
constexpr int32_t kBigChannel = 209715200;
constexpr int32_t kBigPayload = 64 * 1024 * 1024;
constexpr int kRoundTrips = 20000;
constexpr int kBigRounds = 12;

std::u16string Name(const char* what) {
  const std::string text =
      std::string("zelbench_") + what + "_" + std::to_string(zel::platform::CurrentProcessId());
  return std::u16string(text.begin(), text.end());
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "bench_wire: %s failed\n", what);
    std::exit(1);
  }
}

RpcSlot TakeWait(CRpcChannel& channel) {
  for (;;) {
    if (std::optional<RpcSlot> slot = channel.TakeNext()) return *slot;
    channel.WaitForSignal(1000);
  }
}

// A pair of channels as the viewer and host use them: requests one way, replies the other.
struct ChannelPair {
  ChannelPair(const char* what, int32_t size) : base(Name(what)), size(size) {}
  ~ChannelPair() {
    CRpcChannel::Remove(base + u"_out", size, u"");
    CRpcChannel::Remove(base + u"_in", size, u"");
  }
  void Open(bool create) {
    Check(requests.Open(base + u"_out", size, create, nullptr, u"") == 0, "open requests");
    Check(replies.Open(base + u"_in", size, create, nullptr, u"") == 0, "open replies");
  }
  std::u16string base;
  int32_t size;
  CRpcChannel requests;
  CRpcChannel replies;
};

// The host's side: take each request, read all of it, reply with its first 8 bytes and the sum
// of its words, free it. A one-byte request ends the loop.
void Serve(ChannelPair& pair) {
  pair.Open(false);
  for (;;) {
    RpcSlot request = TakeWait(pair.requests);
    const auto* bytes = static_cast<const uint8_t*>(request.payload);
    const bool quit = request.length == 1;
    uint64_t sum = 0;
    const auto* words = reinterpret_cast<const uint64_t*>(bytes + 4);  // 8-byte aligned
    for (int32_t i = 0; i < (request.length - 4) / 8; ++i) sum += words[i];
    RpcSlot reply = pair.replies.AllocateWait(16, 10000);
    std::memcpy(reply.payload, bytes, request.length < 8 ? request.length : 8);
    std::memcpy(static_cast<uint8_t*>(reply.payload) + 8, &sum, 8);
    pair.requests.FreeMessage(request.message);
    pair.replies.Post(reply.message);
    if (quit) return;
  }
}

pid_t StartServer(ChannelPair& pair) {
  const pid_t child = fork();
  Check(child >= 0, "fork");
  if (child == 0) {
    Serve(pair);
    _exit(0);
  }
  return child;
}

void StopServer(ChannelPair& pair, pid_t child) {
  RpcSlot quit = pair.requests.AllocateWait(1, 10000);
  pair.requests.Post(quit.message);
  RpcSlot reply = TakeWait(pair.replies);
  pair.replies.FreeMessage(reply.message);
  int status = 0;
  waitpid(child, &status, 0);
}

double ChannelRoundTripUs() {
  ChannelPair pair("rt", kSmallChannel);
  pair.Open(true);
  const pid_t child = StartServer(pair);
  const auto once = [&](int i) {
    RpcSlot request = pair.requests.AllocateWait(16, 10000);
    std::memcpy(request.payload, &i, sizeof(i));
    pair.requests.Post(request.message);
    RpcSlot reply = TakeWait(pair.replies);
    Check(std::memcmp(reply.payload, &i, sizeof(i)) == 0, "reply");
    pair.replies.FreeMessage(reply.message);
  };
  for (int i = 0; i < 1000; ++i) once(i);
  const auto start = Clock::now();
  for (int i = 0; i < kRoundTrips; ++i) once(i);
  const double seconds = Seconds(Clock::now() - start);
  StopServer(pair, child);
  return seconds / kRoundTrips * 1e6;
}

double EventPingPongUs() {
  const std::u16string ping = Name("ping");
  const std::u16string pong = Name("pong");
  Guard pingEvent;
  Guard pongEvent;
  Check(zel::platform::CreateNamedEvent(ping, nullptr, pingEvent) == 0 &&
            zel::platform::CreateNamedEvent(pong, nullptr, pongEvent) == 0,
        "events");
  zel::platform::WaitResult result;
  const int total = kRoundTrips + 1000;
  const pid_t child = fork();
  Check(child >= 0, "fork");
  if (child == 0) {
    for (int i = 0; i < total; ++i) {
      zel::platform::WaitForObject(pingEvent.Get(), zel::platform::kInfinite, result);
      zel::platform::SetEvent(pongEvent.Get());
    }
    _exit(0);
  }
  const auto once = [&] {
    zel::platform::SetEvent(pingEvent.Get());
    zel::platform::WaitForObject(pongEvent.Get(), zel::platform::kInfinite, result);
  };
  for (int i = 0; i < 1000; ++i) once();
  const auto start = Clock::now();
  for (int i = 0; i < kRoundTrips; ++i) once();
  const double seconds = Seconds(Clock::now() - start);
  int status = 0;
  waitpid(child, &status, 0);
  zel::platform::RemoveSharedObject(ping);
  zel::platform::RemoveSharedObject(pong);
  return seconds / kRoundTrips * 1e6;
}

void FillWords(void* payload, int32_t length, uint64_t seed) {
  auto* words = reinterpret_cast<uint64_t*>(static_cast<uint8_t*>(payload) + 4);
  for (int32_t i = 0; i < (length - 4) / 8; ++i) words[i] = seed + static_cast<uint64_t>(i);
}

// One 64 MiB request at a time: written in place, posted, read in place by the other process,
// freed, acknowledged. No copy anywhere, and no waiting for room.
double ChannelLockstepGBs() {
  ChannelPair pair("big", kBigChannel);
  pair.Open(true);
  const pid_t child = StartServer(pair);
  const auto once = [&](uint64_t seed) {
    RpcSlot request = pair.requests.AllocateWait(kBigPayload, 10000);
    FillWords(request.payload, kBigPayload, seed);
    pair.requests.Post(request.message);
    RpcSlot reply = TakeWait(pair.replies);
    pair.replies.FreeMessage(reply.message);
  };
  for (int i = 0; i < 4; ++i) once(i);  // every page of the ring mapped in both processes
  const auto start = Clock::now();
  for (int i = 0; i < kBigRounds; ++i) once(i);
  const double seconds = Seconds(Clock::now() - start);
  StopServer(pair, child);
  return double{kBigPayload} * kBigRounds / seconds / 1e9;
}

// The same payloads streamed: the producer allocates as soon as there is room, waiting for room
// with the channel's randomised back-off.
double ChannelStreamingGBs() {
  ChannelPair pair("stream", kBigChannel);
  pair.Open(true);
  const pid_t child = StartServer(pair);
  int replies = 0;
  const auto drainReplies = [&] {
    while (std::optional<RpcSlot> reply = pair.replies.TakeNext()) {
      pair.replies.FreeMessage(reply->message);
      ++replies;
    }
  };
  const auto run = [&](int rounds) {
    for (int i = 0; i < rounds; ++i) {
      RpcSlot request = pair.requests.AllocateWait(kBigPayload, 10000);
      FillWords(request.payload, kBigPayload, i);
      pair.requests.Post(request.message);
      drainReplies();
    }
    while (replies < rounds) {
      pair.replies.WaitForSignal(100);
      drainReplies();
    }
    replies = 0;
  };
  run(4);
  const auto start = Clock::now();
  run(kBigRounds);
  const double seconds = Seconds(Clock::now() - start);
  StopServer(pair, child);
  return double{kBigPayload} * kBigRounds / seconds / 1e9;
}

// What the two processes do to the bytes, done by one process in private memory: fill, then sum.
double TouchInPrivateMemoryGBs() {
  std::vector<uint64_t> buffer(kBigPayload / 8 + 1);
  uint64_t total = 0;
  const auto once = [&](uint64_t seed) {
    FillWords(buffer.data(), kBigPayload, seed);
    const auto* words =
        reinterpret_cast<const uint64_t*>(reinterpret_cast<const uint8_t*>(buffer.data()) + 4);
    for (int32_t i = 0; i < (kBigPayload - 4) / 8; ++i) total += words[i];
  };
  for (int i = 0; i < 2; ++i) once(i);
  const auto start = Clock::now();
  for (int i = 0; i < kBigRounds; ++i) once(i);
  const double seconds = Seconds(Clock::now() - start);
  Check(total != 0, "sum");
  return double{kBigPayload} * kBigRounds / seconds / 1e9;
}

double MemcpyGBs() {
  std::vector<uint8_t> source(kBigPayload, 1);
  std::vector<uint8_t> target(kBigPayload, 2);
  for (int i = 0; i < 2; ++i) std::memcpy(target.data(), source.data(), kBigPayload);
  const auto start = Clock::now();
  for (int i = 0; i < kBigRounds; ++i) {
    source[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    std::memcpy(target.data(), source.data(), kBigPayload);
  }
  const double seconds = Seconds(Clock::now() - start);
  Check(target[3] == source[3], "memcpy");
  return double{kBigPayload} * kBigRounds / seconds / 1e9;
}

}  // namespace

int main() {
  const double channelUs = ChannelRoundTripUs();
  const double eventUs = EventPingPongUs();
  std::printf("round trip, 16-byte request and reply between two processes (%d rounds)\n",
              kRoundTrips);
  std::printf("  channel (allocate, post, wake, take, free, reply)  %8.2f us\n", channelUs);
  std::printf("  bare event ping-pong (futex wake/wait)              %8.2f us\n", eventUs);
  std::printf("  ratio channel / ping-pong                           %8.2f\n\n",
              channelUs / eventUs);

  const double lockstep = ChannelLockstepGBs();
  const double streaming = ChannelStreamingGBs();
  const double copy = MemcpyGBs();
  const double touch = TouchInPrivateMemoryGBs();
  std::printf("64 MiB payloads, written in place by one process and read by the other (%d)\n",
              kBigRounds);
  std::printf("  channel, one request at a time                      %8.2f GB/s\n", lockstep);
  std::printf("  channel, streamed (back-off when full)              %8.2f GB/s\n", streaming);
  std::printf("  memcpy of the same bytes in one process             %8.2f GB/s\n", copy);
  std::printf("  fill and sum in one process, private memory         %8.2f GB/s\n", touch);
  std::printf("  ratio channel / memcpy                              %8.2f (streamed %.2f)\n",
              lockstep / copy, streaming / copy);
  std::printf("  ratio channel / fill and sum                        %8.2f (streamed %.2f)\n",
              lockstep / touch, streaming / touch);
  return 0;
}
