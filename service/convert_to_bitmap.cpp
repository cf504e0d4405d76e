#include "service/convert_to_bitmap.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "imaging/image_decoder.h"
#include "imaging/image_library.h"
#include "pdf/render_document_preview.h"
#include "protocol/messages.h"
#include "rpc/archive_values.h"
#include "rpc/server_handler.h"
#include "service/send_reply.h"
#include "service/server_handler.h"

namespace zel {

namespace {

// The wire carries milliseconds; a delay read from a file can be far longer than they hold.
int32_t DelayMilliseconds(int32_t hundredths) {
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{hundredths} * 10, INT32_MIN, INT32_MAX));
}

// The current frame's pixels, exported by the decoder straight into the reply.
template <class Archive>
void WritePixels(Archive& reply, ImageDecoder& decoder) {
  vesk::WriteBinary(reply, decoder.frameBytes(),
                    [&](uint8_t* space) { decoder.WritePixels(space, decoder.frameBytes()); });
}

}  // namespace

void ConvertToBitmap(const CServerHandler& handler, vesk::CArchiveOverBuffer& request,
                     vesku_rpc::IServerResponder& responder) {
  auto [rotation, options, side1, side2, name, mimeType, file] =
      protocol::Read<protocol::BitmapRequest>(request);
  const bool autoOrient = (options & protocol::kAutoOrientOption) != 0;

  std::vector<uint8_t> preview;
  const auto [data, size] =
      RenderDocumentPreview(file.data, file.size, mimeType, ImageTempFolder(), preview);

  ImageDecoder decoder(BoxedDecodeOptions(handler.decodeByteLimit(), side1, side2));
  decoder.Load(data, size, rotation, autoOrient, name);

  if (decoder.totalBytes() == 0) {
    SendReply(responder, [&](auto& reply) {
      protocol::Write(reply, protocol::BitmapHeader{false, decoder.width(), decoder.height()});
      WritePixels(reply, decoder);
    });
    return;
  }

  const int32_t frameCount = decoder.FrameCount();
  vesk::CArchiveOverBuffer reply;
  responder.GetReplyBuffer(reply, protocol::AnimationReplySize(frameCount, decoder.totalBytes()));
  const auto [canvasWidth, canvasHeight] = decoder.CanvasSize();
  protocol::Write(reply, protocol::BitmapHeader{true, canvasWidth, canvasHeight, frameCount});
  do {
    const auto [x, y] = decoder.FramePosition();
    protocol::Write(reply, protocol::FramePlacement{decoder.width(), decoder.height(),
                                                    DelayMilliseconds(decoder.FrameDelay()), x, y});
    WritePixels(reply, decoder);
  } while (decoder.NextFrame(rotation, autoOrient));
}

}  // namespace zel
