// The convert tool's option parsing: values, repeats, and which argument ends a run as unknown.
#include <gtest/gtest.h>

#include "tools/convert_options.h"

namespace zel {
namespace {

struct Parsed {
  ConvertOptions options;
  int32_t unknown = -1;
};

Parsed Parse(std::vector<std::u16string> options) {
  std::vector<std::u16string> argv{u"zelHost", u"--convert", u"in.gif", u"out"};
  argv.insert(argv.end(), options.begin(), options.end());
  Parsed parsed;
  parsed.unknown = ParseConvertOptions(argv, 4, parsed.options);
  return parsed;
}

TEST(ConvertOptions, DefaultsWithoutOptions) {
  const Parsed parsed = Parse({});
  EXPECT_EQ(-1, parsed.unknown);
  EXPECT_EQ(104857600, parsed.options.maxBytes);
  EXPECT_EQ(0, parsed.options.maxWidth);
  EXPECT_EQ(0, parsed.options.maxHeight);
  EXPECT_FALSE(parsed.options.compare);
  EXPECT_FALSE(parsed.options.oldScaling);
  EXPECT_FALSE(parsed.options.IsSelected(0));
}

TEST(ConvertOptions, ValuesRepeatsAndFlags) {
  const Parsed parsed =
      Parse({u"--max-bytes", u"5000", u"--compare", u"--max-size", u"800x600", u"--max-bytes",
             u"-1", u"--max-size", u" 0x600junk", u"--old-scaling"});
  ASSERT_EQ(-1, parsed.unknown);
  EXPECT_EQ(-1, parsed.options.maxBytes);  // the later value wins
  EXPECT_EQ(0, parsed.options.maxWidth);
  EXPECT_EQ(600, parsed.options.maxHeight);
  EXPECT_TRUE(parsed.options.compare);
  EXPECT_TRUE(parsed.options.oldScaling);

  EXPECT_EQ(0, Parse({u"--max-bytes", u"lots"}).options.maxBytes);
  EXPECT_EQ(2147483647, Parse({u"--max-bytes", u"99999999999"}).options.maxBytes);
  EXPECT_EQ(12, Parse({u"--max-bytes", u"12MB"}).options.maxBytes);
}

TEST(ConvertOptions, FrameListsAddUp) {
  const Parsed parsed = Parse({u"--frames", u"3,x,,7,", u"--frames", u"12"});
  ASSERT_EQ(-1, parsed.unknown);
  EXPECT_EQ((std::vector<int32_t>{3, 0, 0, 7, 12}), parsed.options.selectedFrames);
  EXPECT_FALSE(parsed.options.allFrames);
  EXPECT_TRUE(parsed.options.IsSelected(7));
  EXPECT_FALSE(parsed.options.IsSelected(1));

  const Parsed all = Parse({u"--frames", u"2", u"--frames", u"all"});
  EXPECT_TRUE(all.options.allFrames);
  EXPECT_EQ(std::vector<int32_t>{2}, all.options.selectedFrames);
  EXPECT_TRUE(all.options.IsSelected(1000));

  EXPECT_TRUE(Parse({u"--frames", u""}).options.selectedFrames.empty());
  // "ALL" is not "all": a list whose only token is not a number selects frame 0.
  EXPECT_EQ(std::vector<int32_t>{0}, Parse({u"--frames", u"ALL"}).options.selectedFrames);
}

TEST(ConvertOptions, TheFirstUnusableArgumentIsReported) {
  EXPECT_EQ(4, Parse({u"--max-bytes"}).unknown);
  EXPECT_EQ(5, Parse({u"--compare", u"--frames"}).unknown);
  EXPECT_EQ(4, Parse({u"--max-size", u"600"}).unknown);
  EXPECT_EQ(4, Parse({u"--max-size", u"600x"}).unknown);
  EXPECT_EQ(4, Parse({u"--max-size", u"600X400"}).unknown);
  EXPECT_EQ(4, Parse({u"--Compare"}).unknown);
  EXPECT_EQ(5, Parse({u"--compare", u"extra", u"--old-scaling"}).unknown);
  // A value that does not scan is not taken, so the option itself is the one reported.
  EXPECT_EQ(6, Parse({u"--max-bytes", u"1", u"--max-size", u"big"}).unknown);
}

}  // namespace
}  // namespace zel
