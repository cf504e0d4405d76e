// Opcode 2: the bytes of a file become ready-to-draw BGRA bitmaps, written straight into the reply.
#pragma once

namespace vesk {
class CArchiveOverBuffer;
}
namespace vesku_rpc {
class IServerResponder;
}

namespace zel {

class CServerHandler;

void ConvertToBitmap(const CServerHandler& handler, vesk::CArchiveOverBuffer& request,
                     vesku_rpc::IServerResponder& responder);

}  // namespace zel
