#include "service/convert_to_bitmap.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/image_decoder.h"
#include "pdf/render_document_preview.h"
#include "rpc/archive_values.h"
#include "rpc/server_handler.h"
#include "service/server_handler.h"

namespace zel {

namespace {

constexpr int32_t kAutoOrientOption = 1;

// Sum of the frame headers and the pixels of all frames, refusing anything that does not fit the
// signed 32-bit sizes of the wire. 64 bytes per frame cover its five integers, the header of its
// pixel block and that block's padding; one more 64 covers the four values in front.
int32_t AnimationReplySize(int32_t frameCount, int32_t totalBytes) {
  const int64_t headers = (static_cast<int64_t>(frameCount) + 1) * 64;
  const int64_t size = headers + totalBytes;
  if (headers < 0 || headers > INT32_MAX || size < 0 || size > INT32_MAX) {
    throw std::runtime_error("IntegerOverflow");
  }
  return static_cast<int32_t>(size);
}

// The wire carries milliseconds; a delay read from a file can be far longer than they hold.
int32_t DelayMilliseconds(int32_t hundredths) {
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{hundredths} * 10, INT32_MIN, INT32_MAX));
}

void WriteFrame(ImageDecoder& decoder, vesk::CArchiveOverBuffer& reply) {
  uint8_t* pixels = vesk::WriteBinary(reply, decoder.frameBytes());
  decoder.WritePixels(pixels, decoder.frameBytes());
}

}  // namespace

void ConvertToBitmap(const CServerHandler& handler, vesk::CArchiveOverBuffer& request,
                     vesku_rpc::IServerResponder& responder) {
  const int32_t rotation = vesk::ReadInt(request);
  const bool autoOrient = (vesk::ReadInt(request) & kAutoOrientOption) != 0;
  const int32_t side1 = vesk::ReadInt(request);
  const int32_t side2 = vesk::ReadInt(request);
  const std::u16string name = vesk::ReadWideString(request);
  std::string mimeType = vesk::ReadString(request);
  const vesk::BinaryView file = vesk::ReadBinary(request);

  std::vector<uint8_t> preview;
  const auto [data, size] = RenderDocumentPreview(file.data, file.size, mimeType, preview);

  ImageDecoder decoder(BoxedDecodeOptions(handler.decodeByteLimit(), side1, side2));
  const int32_t frameBytes = decoder.Load(data, size, rotation, autoOrient, name);

  vesk::CArchiveOverBuffer reply;
  if (decoder.totalBytes() == 0) {
    responder.GetReplyBuffer(reply, vesk::Round8(frameBytes) + 32);
    vesk::WriteInt(reply, 0);
    vesk::WriteInt(reply, decoder.width());
    vesk::WriteInt(reply, decoder.height());
    WriteFrame(decoder, reply);
    return;
  }

  const int32_t frameCount = decoder.FrameCount();
  responder.GetReplyBuffer(reply, AnimationReplySize(frameCount, decoder.totalBytes()));
  const auto [canvasWidth, canvasHeight] = decoder.CanvasSize();
  vesk::WriteInt(reply, 1);
  vesk::WriteInt(reply, canvasWidth);
  vesk::WriteInt(reply, canvasHeight);
  vesk::WriteInt(reply, frameCount);
  do {
    const auto [x, y] = decoder.FramePosition();
    vesk::WriteInt(reply, decoder.width());
    vesk::WriteInt(reply, decoder.height());
    vesk::WriteInt(reply, DelayMilliseconds(decoder.FrameDelay()));
    vesk::WriteInt(reply, x);
    vesk::WriteInt(reply, y);
    WriteFrame(decoder, reply);
  } while (decoder.NextFrame(rotation, autoOrient));
}

}  // namespace zel
