// How a job answers: it writes its reply twice, first to a counting archive to learn the exact size
// of the reply buffer, then into that buffer.
#pragma once

#include <concepts>
#include <utility>

#include "protocol/messages.h"
#include "rpc/archive_over_buffer.h"
#include "rpc/counting_archive.h"
#include "rpc/server_handler.h"

namespace zel {

// `write(archive)` writes the reply; it is called with a vesk::CCountingArchive and then with the
// reply buffer's archive, and writes the same values both times.
template <class WriteReply>
requires std::invocable<WriteReply&, vesk::CCountingArchive&>
void SendReply(vesku_rpc::IServerResponder& responder, WriteReply&& write) {
  vesk::CCountingArchive counter;
  write(counter);
  vesk::CArchiveOverBuffer reply;
  responder.GetReplyBuffer(reply, protocol::ReplySize(counter.size()));
  write(reply);
}

template <class Reply>
void SendReply(vesku_rpc::IServerResponder& responder, const Reply& reply) {
  SendReply(responder, [&](auto& archive) { protocol::Write(archive, reply); });
}

}  // namespace zel
