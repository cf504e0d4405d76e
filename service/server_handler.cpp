#include "service/server_handler.h"

#include <exception>
#include <stdexcept>
#include <string>

#include "platform/debug_output.h"
#include "protocol/messages.h"
#include "rpc/archive_values.h"
#include "service/convert_to_bitmap.h"
#include "service/file_info.h"
#include "service/probe_partial_image.h"
#include "service/read_image_properties.h"

namespace zel {

void CServerHandler::HandleRequest(const uint8_t* payload, int32_t length,
                                   vesku_rpc::IServerResponder& responder) {
  vesk::CArchiveOverBuffer archive(payload, length);
  switch (static_cast<protocol::Opcode>(vesk::ReadInt(archive))) {
    case protocol::Opcode::FileInfo:
      FileInfo(archive, responder);
      return;
    case protocol::Opcode::ConvertToBitmap:
      try {
        ConvertToBitmap(*this, archive, responder);
      } catch (const std::exception& error) {
        // Bitmap conversions are what a viewer's user sees fail, so each failure leaves a trace.
        platform::OutputDebugText(std::string("zelHost: ConvertToBitmap failed: ") + error.what() +
                                  "\r\n");
        throw;
      }
      return;
    case protocol::Opcode::ReadImageProperties:
      ReadImageProperties(*this, archive, responder);
      return;
    case protocol::Opcode::ProbePartialImage:
      ProbePartialImage(*this, archive, responder);
      return;
    default:
      throw std::runtime_error("Invalid opcode");
  }
}

}  // namespace zel
