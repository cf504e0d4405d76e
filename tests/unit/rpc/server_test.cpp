// The server over real channels in one process: the test plays the viewer with its own channel
// objects, the server opens the same names as the host would.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <latch>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/thread.h"
#include "platform/wait.h"
#include "rpc/archive_values.h"
#include "rpc/rpc_channel.h"
#include "rpc/server.h"
#include "util/exceptions.h"
#include "util/strings.h"

namespace {

using vesku_rpc::CRpcChannel;
using vesku_rpc::CServer;
using vesku_rpc::IServerResponder;
using vesku_rpc::RpcSlot;

using zel::platform::kInfinite;

constexpr int32_t kChannelSize = 1 << 20;

std::u16string UniqueName() {
  static std::atomic<int> counter{0};
  return vesku::ToWide("zelut" + std::to_string(zel::platform::CurrentProcessId()) + "_" +
                       std::to_string(++counter));
}

// The viewer's side: creates both channels before the server opens them, removes them at the end.
class Viewer {
 public:
  explicit Viewer(const std::u16string& name) : name_(name) {
    const zel::platform::SecurityAttributes ownerOnly{0600};
    EXPECT_EQ(0, replies.Open(name + u"_in", kChannelSize, true, &ownerOnly, u""));
    EXPECT_EQ(0, requests.Open(name + u"_out", kChannelSize, true, &ownerOnly, u""));
  }
  ~Viewer() {
    CRpcChannel::Remove(name_ + u"_in", kChannelSize, u"");
    CRpcChannel::Remove(name_ + u"_out", kChannelSize, u"");
  }

  // Posts a request of the given Int values with `tag` as its correlation.
  void PostInts(std::initializer_list<int32_t> values, uint8_t tag) {
    const RpcSlot slot = requests.AllocateWait(static_cast<int32_t>(values.size()) * 8, 1000);
    vesk::CArchiveOverBuffer archive;
    archive.BindForWriting(slot.payload, slot.length);
    for (int32_t value : values) vesk::WriteInt(archive, value);
    Post(slot, tag);
  }

  void PostRaw(const void* bytes, int32_t length, uint8_t tag) {
    const RpcSlot slot = requests.AllocateWait(length, 1000);
    if (length > 0) std::memcpy(slot.payload, bytes, static_cast<size_t>(length));
    Post(slot, tag);
  }

  struct Reply {
    int32_t status;
    int32_t length;
    uint8_t correlation[16];
    std::vector<uint8_t> payload;
  };

  // Waits for the next reply, however long the server takes.
  Reply Next() {
    for (;;) {
      if (std::optional<RpcSlot> slot = replies.TakeNext()) {
        Reply reply{slot->message->status, slot->length, {}, {}};
        std::memcpy(reply.correlation, slot->message->correlation, 16);
        const uint8_t* payload = static_cast<const uint8_t*>(slot->payload);
        reply.payload.assign(payload, payload + slot->length);
        replies.FreeMessage(slot->message);
        return reply;
      }
      replies.WaitForSignal(zel::platform::kInfinite);
    }
  }

  CRpcChannel requests;
  CRpcChannel replies;

 private:
  void Post(const RpcSlot& slot, uint8_t tag) {
    for (int i = 0; i < 16; ++i) slot.message->correlation[i] = static_cast<uint8_t>(tag + i);
    requests.Post(slot.message);
  }

  std::u16string name_;
};

// Answers a request [n, mode] with one Int n, fails it in the way `mode` asks for.
class TestHandler : public vesku_rpc::IServerHandler {
 public:
  enum Mode { kReply = 0, kNoReply = 1, kThrowAfterHalf = 2, kWinError = 3, kHeld = 4 };

  void HandleRequest(const uint8_t* payload, int32_t length, IServerResponder& responder) override {
    ++calls;
    vesk::CArchiveOverBuffer request(payload, length);
    const int32_t value = vesk::ReadInt(request);
    const int32_t mode = vesk::ReadInt(request);
    vesk::CArchiveOverBuffer reply;
    switch (mode) {
      case kNoReply:
        return;
      case kThrowAfterHalf:
        responder.GetReplyBuffer(reply, 16);
        vesk::WriteInt(reply, value);
        throw std::runtime_error("half done");
      case kWinError:
        throw vesku::CWinException("failed", value);
      case kHeld:
        entered.count_down();
        release.wait();
        break;
    }
    responder.GetReplyBuffer(reply, 8);
    vesk::WriteInt(reply, value);
  }

  std::atomic<int> calls{0};
  // A kHeld request counts `entered` down and answers once `release` is counted down.
  std::latch entered{1};
  std::latch release{1};
};

int32_t FirstInt(const Viewer::Reply& reply) {
  vesk::CArchiveOverBuffer archive(reply.payload.data(), reply.length);
  return vesk::ReadInt(archive);
}

TEST(Server, MissingChannelsFailWithTheSystemCode) {
  try {
    CServer server(UniqueName(), kChannelSize);
    FAIL() << "opened channels that do not exist";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ("API error: 2", error.what());
  }
}

TEST(Server, BurstOfRequestsIsAnsweredOnceEachAndFreed) {
  const std::u16string name = UniqueName();
  Viewer viewer(name);
  TestHandler handler;
  {
    CServer server(name, kChannelSize);
    server.SetHandler(&handler);
    for (uint8_t i = 0; i < 10; ++i) viewer.PostInts({i, TestHandler::kReply}, i * 16);
    server.StartListeners(3);

    std::set<int32_t> answered;
    for (int i = 0; i < 10; ++i) {
      const Viewer::Reply reply = viewer.Next();
      EXPECT_EQ(0, reply.status);
      const int32_t value = FirstInt(reply);
      EXPECT_TRUE(answered.insert(value).second) << "answered twice: " << value;
      for (int b = 0; b < 16; ++b) EXPECT_EQ(value * 16 + b, reply.correlation[b]);
    }
    EXPECT_EQ(10u, answered.size());
    EXPECT_EQ(10, handler.calls.load());
  }
  // Every request message went back to the ring. A listener frees its request just after posting
  // the reply, so this is looked at once the listeners are gone.
  EXPECT_EQ(0, viewer.requests.Header()->count);
}

TEST(Server, FailedRequestsGetErrorReplies) {
  const std::u16string name = UniqueName();
  Viewer viewer(name);
  TestHandler handler;
  std::optional<CServer> server(std::in_place, name, kChannelSize);
  server->SetHandler(&handler);
  server->StartListeners(1);

  viewer.PostInts({7, TestHandler::kNoReply}, 1);
  Viewer::Reply reply = viewer.Next();
  EXPECT_EQ(0, reply.status);
  EXPECT_EQ(0, reply.length);

  viewer.PostInts({7, TestHandler::kThrowAfterHalf}, 2);
  reply = viewer.Next();
  EXPECT_EQ(1, reply.status);
  EXPECT_EQ(16, reply.length);
  EXPECT_EQ(2, reply.correlation[0]);

  viewer.PostInts({5, TestHandler::kWinError}, 3);
  EXPECT_EQ(5, viewer.Next().status);
  viewer.PostInts({0, TestHandler::kWinError}, 4);
  EXPECT_EQ(1, viewer.Next().status);

  // Requests the handler cannot even parse.
  viewer.PostRaw(nullptr, 0, 5);
  reply = viewer.Next();
  EXPECT_EQ(1, reply.status);
  EXPECT_EQ(5, reply.correlation[0]);
  // Every request was freed, whatever happened to it (looked at once the listener is gone, as it
  // frees a request just after posting the reply).
  server.reset();
  EXPECT_EQ(0, viewer.requests.Header()->count);
}

TEST(Server, DestructionMarksTheReplyChannelClosedAndFinishesRequestsInFlight) {
  const std::u16string name = UniqueName();
  Viewer viewer(name);
  TestHandler handler;
  std::optional<CServer> server(std::in_place, name, kChannelSize);
  server->SetHandler(&handler);
  server->StartListeners(2);
  viewer.PostInts({9, TestHandler::kHeld}, 1);
  handler.entered.wait();
  EXPECT_EQ(0, viewer.replies.Header()->closed);
  std::thread destroy([&] { server.reset(); });
  // The reply channel is marked closed first, while the request is still in flight.
  while (viewer.replies.Header()->closed == 0) viewer.replies.WaitForSignal(kInfinite);
  EXPECT_EQ(0, viewer.replies.Header()->count);
  handler.release.count_down();
  destroy.join();
  // The request was finished (and freed) before the server went away.
  EXPECT_EQ(0, viewer.requests.Header()->count);
  EXPECT_EQ(1, viewer.replies.Header()->count);
}

TEST(Server, ClosedRequestChannelStopsTakingButListenersKeepRunning) {
  const std::u16string name = UniqueName();
  Viewer viewer(name);
  TestHandler handler;
  CServer server(name, kChannelSize);
  server.SetHandler(&handler);
  server.StartListeners(1);
  viewer.requests.MarkClosed();
  viewer.PostInts({1, TestHandler::kReply}, 1);
  // The post signalled the listener. Once that signal is spent the listener has woken for it, and
  // a woken listener looks at the ring before anything else; a signal this test takes itself is
  // given back.
  const zel::platform::Handle event = viewer.requests.EventHandle().Get();
  zel::platform::WaitResult signalled = zel::platform::WaitResult::kTimeout;
  while (zel::platform::WaitForObject(event, 0, signalled) == 0 &&
         signalled == zel::platform::WaitResult::kFirst) {
    CRpcChannel::Signal(event);
    std::this_thread::yield();
  }
  EXPECT_EQ(0, handler.calls.load());
  EXPECT_EQ(1, viewer.requests.Header()->count);

  // Open again, the channel is served by the same listener.
  viewer.requests.Header()->closed = 0;
  CRpcChannel::Signal(event);
  EXPECT_EQ(1, FirstInt(viewer.Next()));
}

TEST(Server, RestrictedChannelsBelongToTheUserAlone) {
  const std::u16string name = UniqueName();
  Viewer viewer(name);
  // Loosen the mapping first, so the restriction has something to do.
  const std::string mapping =
      "/dev/shm/s_" + vesku::ToUtf8(name) + "_in_" + std::to_string(kChannelSize);
  namespace fs = std::filesystem;
  fs::permissions(mapping, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                               fs::perms::others_read);
  CServer server(name, kChannelSize);
  server.RestrictChannels();
  EXPECT_EQ(fs::perms::owner_read | fs::perms::owner_write,
            fs::status(mapping).permissions() & fs::perms::all);
}

}  // namespace
