// The MIME type strings the host knows. They select the conversion path and are compared as
// exact, case-sensitive byte strings everywhere.
#pragma once

namespace zel {

inline constexpr char kMimeJpeg[] = "image/jpeg";
inline constexpr char kMimePng[] = "image/png";
inline constexpr char kMimePdf[] = "application/pdf";
inline constexpr char kMimeDocx[] =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.document";
// Stands for a plain-text file: the document path lays such a file out as text.
inline constexpr char kMimeText[] = "application/octet-stream";
// The picture that the document path returns.
inline constexpr char kMimeBmp[] = "image/bmp";
// Unknown: no document converter claims the file, so it goes to the image pipeline as it is.
inline constexpr char kMimeUnknown[] = "";

}  // namespace zel
