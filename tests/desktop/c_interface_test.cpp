// The C interface of the client library, as a C viewer uses it: the built library, the built host
// found from the library's own location, real shared memory.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <zelclient.h>

#include <cerrno>
#include <string>

#include "tests/support/temp_folder.h"
#include "tests/support/test_images.h"

namespace {

using zel::test::Bytes;

zel_file FileOf(const Bytes& bytes, const char* name, const char* mimeType = nullptr) {
  return zel_file{name, mimeType, bytes.data(), bytes.size()};
}

class Host {
 public:
  explicit Host(const zel_host_options* options = nullptr) {
    EXPECT_EQ(ZEL_OK, zel_host_new(options, &host_)) << zel_last_error_message();
  }
  ~Host() { zel_host_free(host_); }
  zel_host* get() const { return host_; }

 private:
  zel_host* host_ = nullptr;
};

TEST(CInterface, AnswersRequestsAndReportsFailures) {
  Host host;

  // An animation whose second frame covers only part of the canvas.
  const Bytes gif = zel::test::EncodeFrames(
      {zel::test::AnimationFrame(40, 30, "red", Magick::Geometry(40, 30, 0, 0), 20, 1),
       zel::test::AnimationFrame(10, 8, "blue", Magick::Geometry(10, 8, 5, 6), 30, 1)},
      "GIF");
  const zel_file gifFile = FileOf(gif, "moving.gif");
  zel_bitmap* bitmap = nullptr;
  ASSERT_EQ(ZEL_OK, zel_convert_to_bitmap(host.get(), &gifFile, nullptr, &bitmap))
      << zel_last_error_message();
  EXPECT_EQ(1, bitmap->animated);
  EXPECT_EQ(40, bitmap->width);
  EXPECT_EQ(30, bitmap->height);
  ASSERT_EQ(2, bitmap->frame_count);
  EXPECT_EQ(200, bitmap->frames[0].delay_ms);
  const zel_frame& second = bitmap->frames[1];
  EXPECT_EQ(5, second.x);
  EXPECT_EQ(6, second.y);
  EXPECT_EQ(10, second.width);
  EXPECT_EQ(8, second.height);
  EXPECT_EQ(300, second.delay_ms);
  EXPECT_TRUE(zel::test::Near(
      zel::test::PixelAt(Bytes(second.bgra, second.bgra + 10 * 8 * 4), 10, 3, 3), 255, 0, 0));
  zel_bitmap_free(bitmap);

  // A photo stored sideways: the size as stored, the turn, the date.
  const Bytes jpeg = zel::test::WithExif(
      zel::test::Encode(zel::test::Filled(40, 20, "green"), "JPEG"), 6, "2021:03:04 12:34:56", "");
  const zel_file jpegFile = FileOf(jpeg, "photo.jpg");
  int known = 0;
  zel_image_info info{};
  ASSERT_EQ(ZEL_OK, zel_file_info(host.get(), &jpegFile, &known, &info))
      << zel_last_error_message();
  EXPECT_EQ(1, known);
  EXPECT_EQ(40, info.width);
  EXPECT_EQ(20, info.height);
  EXPECT_EQ(ZEL_IMAGE_TURNED, info.flags);
  EXPECT_EQ(90, info.rotation);
  EXPECT_STREQ("2021-03-04 12:34:56.000", info.date_taken);

  const Bytes png = zel::test::Encode(zel::test::Filled(5, 4, "red"), "PNG");
  const zel_file pngFile = FileOf(png, "dot.png");
  zel_properties* properties = nullptr;
  ASSERT_EQ(ZEL_OK, zel_read_image_properties(host.get(), &pngFile, &properties))
      << zel_last_error_message();
  EXPECT_EQ(1, properties->found);
  EXPECT_GT(properties->count, 0u);
  ASSERT_EQ(5u, properties->host_count);
  EXPECT_STREQ("zel.width", properties->host_attributes[2].name);
  EXPECT_STREQ("5", properties->host_attributes[2].value);
  zel_properties_free(properties);

  // Failures come back as codes with a message, and the host goes on serving.
  const Bytes junk(100, 0x5A);
  const zel_file junkFile = FileOf(junk, "junk.png", "");
  bitmap = nullptr;
  EXPECT_EQ(ZEL_ERROR_REQUEST_FAILED,
            zel_convert_to_bitmap(host.get(), &junkFile, nullptr, &bitmap));
  EXPECT_EQ(nullptr, bitmap);
  EXPECT_STRNE("", zel_last_error_message());
  EXPECT_EQ(ZEL_ERROR_INVALID_ARGUMENT, zel_file_info(host.get(), nullptr, &known, &info));
  EXPECT_EQ(ZEL_OK, zel_file_info(host.get(), &jpegFile, &known, &info));
}

TEST(CInterface, ACrashedHostIsReplacedByTheNextRequest) {
  const zel_test::TempFolder work;
  zel_host_options options{};
  const std::string workText = work.str();
  options.work_folder = workText.c_str();
  {
    Host host(&options);
    ASSERT_EQ(ZEL_OK, zel_host_start(host.get())) << zel_last_error_message();
    const int crashed = zel_host_process_id(host.get());
    ASSERT_GT(crashed, 0);
    const int crashedEnd = static_cast<int>(syscall(SYS_pidfd_open, crashed, 0));
    ASSERT_GE(crashedEnd, 0);
    ASSERT_EQ(0, kill(crashed, SIGSEGV));
    pollfd ended{crashedEnd, POLLIN, 0};
    ASSERT_EQ(1, poll(&ended, 1, -1));
    close(crashedEnd);

    const Bytes png = zel::test::Encode(zel::test::Filled(6, 3, "red"), "PNG");
    const zel_file file = FileOf(png, "dot.png");
    zel_bitmap* bitmap = nullptr;
    zel_status status = zel_convert_to_bitmap(host.get(), &file, nullptr, &bitmap);
    // A request sent in the moment before the client learnt of the end reports it.
    if (status == ZEL_ERROR_HOST_DIED) {
      status = zel_convert_to_bitmap(host.get(), &file, nullptr, &bitmap);
    }
    ASSERT_EQ(ZEL_OK, status) << zel_last_error_message();
    EXPECT_EQ(6, bitmap->width);
    zel_bitmap_free(bitmap);
    EXPECT_NE(crashed, zel_host_process_id(host.get()));

    int exitCode = -1;
    EXPECT_EQ(ZEL_OK, zel_host_stop(host.get(), &exitCode));
    EXPECT_EQ(0, exitCode);
    EXPECT_EQ(0, zel_host_process_id(host.get()));
  }
}

}  // namespace
