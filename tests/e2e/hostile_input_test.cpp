// Files made to hurt the viewer, through a real host: each gets an error reply or a bounded answer
// (or ends the host through the crash path), nothing outside the request is read or started, and
// the next request is served.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/environment.h"
#include "rpc/archive_values.h"
#include "tests/e2e/e2e_support.h"
#include "tests/e2e/hooks/test_opcodes.h"
#include "tests/support/test_documents.h"
#include "tests/support/test_images.h"
#include "tests/support/test_pdfs.h"

namespace zel::e2e {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes SmallPng() { return test::Encode(test::Filled(5, 4, "red"), "PNG"); }

void ExpectServes(client::CHostClient& client) {
  const Bytes png = SmallPng();
  EXPECT_EQ(5, client.ConvertToBitmap(FileOf(png, u"a.png", "image/png"), {}).width);
}

// A number from the host's /proc status or limits file: the value after `key`.
uint64_t ProcValue(int pid, const std::string& file, const std::string& key) {
  const std::string text = ReadText("/proc/" + std::to_string(pid) + "/" + file);
  const size_t at = text.find(key);
  if (at == std::string::npos) return 0;
  return std::strtoull(text.c_str() + at + key.size(), nullptr, 10);
}

void AppendBigEndian(Bytes& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

// Two 1 × 1 frames, the second at (65534, 65534): 79 bytes that span a 65535 × 65535 canvas.
Bytes GifOfFramesFarApart() {
  Bytes gif = ToBytes("GIF89a");
  gif.insert(gif.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF});
  for (const uint8_t at : {uint8_t{0}, uint8_t{0xFE}}) {
    gif.insert(gif.end(), {0x21, 0xF9, 4, 4, 10, 0, 0, 0});
    gif.insert(gif.end(), {0x2C, at, static_cast<uint8_t>(at ? 0xFF : 0), at,
                           static_cast<uint8_t>(at ? 0xFF : 0), 1, 0, 1, 0, 0});
    gif.insert(gif.end(), {2, 2, 0x44, 0x01, 0});
  }
  gif.push_back(0x3B);
  return gif;
}

void AppendChunk(Bytes& png, const char* type, const Bytes& data) {
  AppendBigEndian(png, static_cast<uint32_t>(data.size()));
  const size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data.begin(), data.end());
  AppendBigEndian(png, static_cast<uint32_t>(crc32(0, png.data() + start, png.size() - start)));
}

// A 1 × 1 PNG whose text chunk inflates to `textBytes` zeros.
Bytes PngWithInflatingText(size_t textBytes) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  AppendChunk(png, "IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0});
  const Bytes zeros(textBytes, 0);
  uLongf size = compressBound(zeros.size());
  Bytes text = ToBytes(std::string("Comment\0\0", 9));
  text.resize(text.size() + size);
  compress2(text.data() + 9, &size, zeros.data(), zeros.size(), Z_BEST_COMPRESSION);
  text.resize(9 + size);
  AppendChunk(png, "zTXt", text);
  AppendChunk(png, "IDAT", {0x78, 0x9C, 0x63, 0x60, 0x00, 0x00, 0x00, 0x02, 0x00, 0x01});
  AppendChunk(png, "IEND", {});
  return png;
}

// A page whose form draws a form ten times, nine levels deep: a billion rectangles from 4 KB.
Bytes PdfOfFormsThatFanOut() {
  std::vector<std::string> objects = {
      "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
      "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R "
      "/Resources << /XObject << /F 5 0 R >> >> >>",
      "<< /Length 6 >>\nstream\n/F Do\n\nendstream"};
  constexpr int kLevels = 9;
  for (int level = 0; level < kLevels; ++level) {
    std::string body;
    std::string resources;
    if (level + 1 < kLevels) {
      for (int i = 0; i < 10; ++i) body += "q 0.9 0 0 0.9 1 1 cm /F Do Q ";
      resources = "/Resources << /XObject << /F " + std::to_string(6 + level) + " 0 R >> >> ";
    } else {
      body = "0 0 10 10 re f";
    }
    objects.push_back("<< /Type /XObject /Subtype /Form /BBox [0 0 200 200] " + resources +
                      "/Length " + std::to_string(body.size()) + " >>\nstream\n" + body +
                      "\nendstream");
  }
  std::string pdf = "%PDF-1.4\n";
  std::string offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    char entry[32];
    std::snprintf(entry, sizeof(entry), "%010zu 00000 n \n", pdf.size());
    offsets += entry;
    pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n" + offsets;
  pdf += "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
         " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return ToBytes(pdf);
}

TEST(HostileInput, InterpretersAndExternalProgramsAreNeverStarted) {
  WorkFolder work;
  // Stand-ins for every program the image library's delegates name; each leaves a mark when run.
  const fs::path tools = work.path() / "tools";
  const fs::path mark = work.path() / "started";
  fs::create_directories(tools);
  for (const char* program : {"gs", "ffmpeg", "inkscape", "rsvg-convert"}) {
    std::ofstream(tools / program) << "#!/bin/sh\ntouch '" << mark.string() << "'\n";
    fs::permissions(tools / program, fs::perms::owner_all);
  }
  const char* path = std::getenv("PATH");
  const std::string savedPath = path != nullptr ? path : "";
  platform::SetEnvironmentVariable("PATH", tools.string() + ":" + savedPath);
  client::CHostClient client(HostOptionsFor(work));
  client.Start();
  platform::SetEnvironmentVariable("PATH", savedPath);

  // The user's picture that an SVG refers to must not come back in the reply.
  const Bytes secret = test::Encode(test::Filled(7, 7, "blue"), "PNG");
  const fs::path secretPath = work.path() / "secret.png";
  std::ofstream(secretPath, std::ios::binary)
      .write(reinterpret_cast<const char*>(secret.data()),
             static_cast<std::streamsize>(secret.size()));
  const Bytes postscript = ToBytes("/Helvetica findfont 9 scalefont setfont (x) show showpage\n");
  const Bytes svg = ToBytes(
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
      "width=\"7\" height=\"7\"><image xlink:href=\"" +
      secretPath.string() + "\" width=\"7\" height=\"7\"/></svg>");
  const Bytes video =
      ToBytes(std::string("\0\0\0\x18"
                          "ftypmp42",
                          12));
  const std::pair<const Bytes*, std::u16string> files[] = {
      {&postscript, u"drawing.ai"}, {&postscript, u"figure.epsf"}, {&postscript, u"figure.epi"},
      {&svg, u"picture.svg"},       {&video, u"clip.mp4"},         {&video, u"clip.mov"},
      {&video, u"clip.avi"},        {&video, u"clip.webm"},        {&video, u"clip.mpg"}};
  for (const auto& [bytes, name] : files) {
    EXPECT_THROW(client.ConvertToBitmap(FileOf(*bytes, name, ""), {}), client::HostError);
  }
  EXPECT_FALSE(fs::exists(mark));
  ExpectServes(client);
}

TEST(HostileInput, BombsAreSizedBeforeWorkAndTheHostKeepsServing) {
  WorkFolder work;
  const client::HostOptions options = HostOptionsFor(work);
  const int64_t budget = options.bufferSize / 2;
  client::CHostClient client(options);

  // The canvas a viewer would allocate stays inside the reply budget.
  const Bytes gif = GifOfFramesFarApart();
  const client::BitmapReply animation =
      client.ConvertToBitmap(FileOf(gif, u"far.gif", "image/gif"), {});
  EXPECT_TRUE(animation.animated);
  EXPECT_LE(int64_t{animation.width} * animation.height * 4, budget);

  // The largest page a PDF may declare is drawn at the size the budget allows, which is also the
  // size reported for it.
  const Bytes page = test::MakePdf({{.width = 14400, .height = 14400}});
  const client::FileRef pdf = FileOf(page, u"huge.pdf", "application/pdf");
  const client::BitmapReply picture = client.ConvertToBitmap(pdf, {});
  EXPECT_LE(int64_t{picture.width} * picture.height * 4, budget);
  EXPECT_GT(int64_t{picture.width} * picture.height * 4, budget * 9 / 10);
  const client::FileInfoReply info = client.FileInfo(pdf);
  EXPECT_EQ(info.summary.width, picture.width);
  EXPECT_EQ(info.summary.height, picture.height);

  // A text chunk that inflates past what the library may ask for at once is dropped unread.
  const Bytes png = PngWithInflatingText(size_t{300} << 20);
  EXPECT_EQ(1, client.ConvertToBitmap(FileOf(png, u"text.png", "image/png"), {}).width);

  // A document whose text inflates past the cap is refused before it is held.
  const Bytes docx = test::MakeDocx(test::Paragraph(std::string(size_t{40} << 20, 'A')));
  EXPECT_THROW(
      client.ConvertToBitmap(
          FileOf(docx, u"long.docx",
                 "application/vnd.openxmlformats-officedocument.wordprocessingml.document"),
          {}),
      client::HostError);

  // None of them made the host hold more than a few reply budgets at any time.
  EXPECT_LT(ProcValue(client.hostProcessId(), "status", "VmHWM:") << 10, uint64_t{512} << 20);
  ExpectServes(client);
}

TEST(HostileInput, DrawingPastTheTimeLimitEndsWithAnErrorReply) {
  WorkFolder work;
  client::CHostClient client(HostOptionsFor(work, true));
  client.Start();
  const int host = client.hostProcessId();
  const Bytes pdf = PdfOfFormsThatFanOut();
  EXPECT_THROW(client.ConvertToBitmap(FileOf(pdf, u"forms.pdf", "application/pdf"), {}),
               client::HostError);
  // The same host goes on serving.
  ExpectServes(client);
  EXPECT_EQ(host, client.hostProcessId());
}

TEST(HostCrash, ARequestThatCannotBeStoppedEndsTheHostThroughTheCrashPath) {
  WorkFolder work;
  client::CHostClient client(HostOptionsFor(work, true));
  try {
    client.Call(8, [](vesk::CArchiveOverBuffer& archive) { vesk::WriteInt(archive, kHangOpcode); });
    FAIL() << "the hanging request was answered";
  } catch (const client::HostDied& died) {
    EXPECT_TRUE(died.exit().crashed());
  }
  EXPECT_EQ("MDMP", ReadText(client.dumpPath()).substr(0, 4));
  ExpectServes(client);
}

TEST(HostileInput, MemoryPastTheHostsLimitFailsOnlyThatRequest) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "a sanitizer build's shadow memory leaves no room for a data limit";
#endif
  WorkFolder work;
  client::CHostClient client(HostOptionsFor(work, true));
  // Once it has answered, the host has its limits.
  ExpectServes(client);
  const int host = client.hostProcessId();
  const uint64_t limit = ProcValue(host, "limits", "Max data size");
  ASSERT_GT(limit, 0u);
  const auto allocate = [&](uint64_t mebibytes) {
    return client
        .Call(16,
              [&](vesk::CArchiveOverBuffer& archive) {
                vesk::WriteInt(archive, kAllocateOpcode);
                vesk::WriteInt(archive, static_cast<int32_t>(mebibytes));
              })
        .status;
  };
  EXPECT_NE(0, allocate((limit >> 20) + 1024));
  EXPECT_EQ(0, allocate(64));
  ExpectServes(client);
  EXPECT_EQ(host, client.hostProcessId());
}

TEST(HostileInput, NothingTheHostHoldsReachesAChild) {
  WorkFolder work;
  client::CHostClient client(HostOptionsFor(work));
  // A document opens files of its own on the way.
  const Bytes docx = test::MakeDocx(test::Paragraph("words"));
  client.ConvertToBitmap(
      FileOf(docx, u"a.docx",
             "application/vnd.openxmlformats-officedocument.wordprocessingml.document"),
      {});
  const fs::path descriptors = "/proc/" + std::to_string(client.hostProcessId()) + "/fdinfo";
  int checked = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(descriptors)) {
    if (std::stoi(entry.path().filename().string()) < 3) continue;
    const std::string info = ReadText(entry.path());
    const size_t at = info.find("flags:");
    ASSERT_NE(at, std::string::npos);
    const unsigned long flags = std::strtoul(info.c_str() + at + 6, nullptr, 8);
    EXPECT_NE(flags & 02000000, 0u) << "descriptor " << entry.path().filename();
    ++checked;
  }
  // At least the two channels, their mutexes and events, and the wait descriptor.
  EXPECT_GE(checked, 7);
}

}  // namespace
}  // namespace zel::e2e
