#include "service/server_handler.h"

#include <exception>
#include <stdexcept>
#include <string>

#include "platform/debug_output.h"
#include "rpc/archive_values.h"
#include "service/convert_to_bitmap.h"
#include "service/file_info.h"
#include "service/probe_partial_image.h"
#include "service/read_image_properties.h"

namespace zel {

namespace {

enum Opcode : int32_t {
  kFileInfo = 1,
  kConvertToBitmap = 2,
  kReadImageProperties = 3,
  kProbePartialImage = 4,
};

}  // namespace

void CServerHandler::HandleRequest(const uint8_t* payload, int32_t length,
                                   vesku_rpc::IServerResponder& responder) {
  vesk::CArchiveOverBuffer archive(payload, length);
  switch (vesk::ReadInt(archive)) {
    case kFileInfo:
      FileInfo(archive, responder);
      return;
    case kConvertToBitmap:
      try {
        ConvertToBitmap(*this, archive, responder);
      } catch (const std::exception& error) {
        // Bitmap conversions are what a viewer's user sees fail, so each failure leaves a trace.
        platform::OutputDebugText(std::string("zelHost: ConvertToBitmap failed: ") + error.what() +
                                  "\r\n");
        throw;
      }
      return;
    case kReadImageProperties:
      ReadImageProperties(*this, archive, responder);
      return;
    case kProbePartialImage:
      ProbePartialImage(*this, archive, responder);
      return;
    default:
      throw std::runtime_error("Invalid opcode");
  }
}

}  // namespace zel
