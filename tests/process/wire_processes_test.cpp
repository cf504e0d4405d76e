// Two processes over one channel: the parent creates it as the viewer does, a forked child opens
// it as the host does. Children report through their exit status, since a failed assertion in a
// child would never reach the parent's test.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "platform/named_mutex.h"
#include "tests/support/blocked_thread.h"
#include "tests/support/channel_test_util.h"
#include "util/base_guard.h"

namespace {

using vesku_rpc::CRpcChannel;
using vesku_rpc::RpcSlot;

uint32_t Checksum(const uint8_t* bytes, size_t size) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}

// Payload: sequence number, checksum of the rest, then random bytes.
void Fill(void* payload, int32_t length, uint32_t sequence, std::mt19937& random) {
  auto* bytes = static_cast<uint8_t*>(payload);
  for (int32_t i = 8; i < length; ++i) bytes[i] = static_cast<uint8_t>(random());
  const uint32_t sum = Checksum(bytes + 8, static_cast<size_t>(length - 8));
  std::memcpy(bytes, &sequence, 4);
  std::memcpy(bytes + 4, &sum, 4);
}

enum ConsumerResult {
  kOk = 0,
  kOpenFailed = 10,
  kBadChecksum,
  kOutOfOrder,
  kDuplicate,
  kMissing,
  kThrew
};

// Takes `total` messages on `threads` threads, checks each and frees them in random order, a few
// at a time and all of them when nothing is left to take. Each thread must see increasing sequence
// numbers (oldest first), and all threads together every number exactly once.
int Consume(const std::u16string& name, int32_t size, uint32_t total, int threads) {
  CRpcChannel channel;
  if (channel.Open(name, size, false, nullptr, u"") != 0) return kOpenFailed;
  std::vector<std::atomic<uint8_t>> seen(total);
  std::atomic<uint32_t> taken{0};
  std::atomic<int> failure{kOk};
  const auto consumer = [&](unsigned seed) {
    try {
      std::mt19937 random(seed);
      std::vector<RpcSlot> held;
      int64_t last = -1;
      while (taken < total && failure == kOk) {
        channel.WaitForSignal(50);
        while (std::optional<RpcSlot> slot = channel.TakeNext()) {
          const auto* bytes = static_cast<const uint8_t*>(slot->payload);
          uint32_t sequence = 0;
          uint32_t sum = 0;
          std::memcpy(&sequence, bytes, 4);
          std::memcpy(&sum, bytes + 4, 4);
          if (sequence >= total || sequence <= last) failure = kOutOfOrder;
          if (sequence < total && seen[sequence].exchange(1) != 0) failure = kDuplicate;
          if (Checksum(bytes + 8, static_cast<size_t>(slot->length - 8)) != sum) {
            failure = kBadChecksum;
          }
          last = sequence;
          ++taken;
          held.push_back(*slot);
          while (held.size() > random() % 5) {
            const size_t pick = random() % held.size();
            channel.FreeMessage(held[pick].message);
            held.erase(held.begin() + static_cast<ptrdiff_t>(pick));
          }
        }
        // Nothing more to take: give back what is still held, or a producer waiting for room
        // and this thread waiting for messages would wait for each other.
        for (const RpcSlot& slot : held) channel.FreeMessage(slot.message);
        held.clear();
      }
    } catch (...) {
      failure = kThrew;
    }
  };
  std::vector<std::thread> workers;
  for (int i = 0; i < threads; ++i) workers.emplace_back(consumer, 7u + i);
  for (std::thread& worker : workers) worker.join();
  if (failure != kOk) return failure;
  for (const std::atomic<uint8_t>& flag : seen) {
    if (flag == 0) return kMissing;
  }
  return kOk;
}

// Ends and reaps a child that the test leaves behind on failure.
struct ChildGuard {
  explicit ChildGuard(pid_t child) : pid(child) {}
  ~ChildGuard() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  // The child's exit code, or -1 when it did not exit normally.
  int Wait() {
    int status = 0;
    const bool reaped = waitpid(pid, &status, 0) == pid;
    pid = 0;
    return reaped && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  pid_t pid;
};

// Sends `total` messages of random sizes to a child that consumes them on `threads` threads.
void ProduceAndConsume(int threads) {
  constexpr int32_t kSize = 256 * 1024 + 24;
  constexpr uint32_t kTotal = 5000;
  wire_test::CreatedChannel created(wire_test::UniqueName("pc"), kSize);
  ASSERT_EQ(created.openResult, 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(Consume(created.name, kSize, kTotal, threads));
  ChildGuard guard(child);

  std::mt19937 random(11);
  for (uint32_t i = 0; i < kTotal; ++i) {
    // Mostly small messages, some large enough that the ring fills up and wraps often.
    const int32_t length =
        8 + static_cast<int32_t>(random() % 8 == 0 ? random() % 60000 : random() % 2000);
    // However long the consumer takes on a busy machine.
    RpcSlot slot = created.channel.AllocateWait(length, INT32_MAX);
    Fill(slot.payload, length, i, random);
    created.channel.Post(slot.message);
  }
  EXPECT_EQ(guard.Wait(), kOk);
  EXPECT_EQ(created.channel.Header()->count, 0);
  EXPECT_EQ(created.channel.Header()->closed, 0);
}

TEST(WireProcesses, ThousandsOfMessagesArriveIntactOnceAndInOrder) { ProduceAndConsume(1); }

TEST(WireProcesses, SeveralConsumerThreadsNeverTakeTheSameMessage) { ProduceAndConsume(3); }

TEST(WireProcesses, MutexHeldByAKilledProcessIsTakenOver) {
  constexpr int32_t kSize = 64 * 1024;
  wire_test::CreatedChannel created(wire_test::UniqueName("kill"), kSize);
  ASSERT_EQ(created.openResult, 0);
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Hold the channel's mutex and never let go.
    vesku::CBaseGuard<vesku::HandleImpl> mutex;
    bool abandoned = false;
    if (zel::platform::CreateNamedMutex(
            u"ml_" + created.name + u"_" + wire_test::ToU16(std::to_string(kSize)), nullptr,
            mutex) != 0 ||
        zel::platform::WaitForMutex(mutex.Get(), abandoned) != 0 || abandoned) {
      _exit(1);
    }
    const char byte = 1;
    if (write(ready[1], &byte, 1) != 1) _exit(1);
    for (;;) pause();
  }
  ChildGuard guard(child);
  char byte = 0;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  close(ready[0]);
  close(ready[1]);

  // A ring operation blocks on the mutex while the child holds it ...
  std::atomic<bool> allocated{false};
  std::atomic<pid_t> producerThread{0};
  std::optional<RpcSlot> slot;
  std::thread producer([&] {
    producerThread = zel_test::ThisThreadId();
    producerThread.notify_all();
    slot = created.channel.Allocate(100);
    allocated = true;
  });
  producerThread.wait(0);
  zel_test::AwaitBlockedIn(producerThread, SYS_futex);
  EXPECT_FALSE(allocated);
  // ... and goes on once the owner is killed.
  kill(child, SIGKILL);
  guard.Wait();
  producer.join();
  ASSERT_TRUE(slot);
  created.channel.Post(slot->message);
  std::optional<RpcSlot> taken = created.channel.TakeNext();
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->message, slot->message);
  created.channel.FreeMessage(taken->message);
  EXPECT_EQ(created.channel.Header()->count, 0);
  // The mutex keeps working for every later operation.
  for (int i = 0; i < 100; ++i) {
    std::optional<RpcSlot> again = created.channel.Allocate(i);
    ASSERT_TRUE(again);
    created.channel.FreeMessage(again->message);
  }
}

}  // namespace
