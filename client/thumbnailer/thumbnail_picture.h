// The picture of a thumbnail: the first composed frame of what the host returned, shrunk to fit a
// square of the thumbnail size.
#pragma once

#include <cstdint>

#include "client/replies.h"

namespace zel::client {

// A still picture as it is; the first frame of an animation drawn on its canvas, which is
// transparent wherever that frame does not reach.
Frame FirstComposedFrame(const BitmapReply& reply);

// `picture` shrunk, keeping its proportions, to fit `size` × `size`, averaging every source pixel
// that falls on a target pixel (weighted by alpha, so transparent pixels lend no colour). A
// picture that already fits is returned as it is: thumbnails are never enlarged.
Frame FitIntoSquare(const Frame& picture, int32_t size);

}  // namespace zel::client
