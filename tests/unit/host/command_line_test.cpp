#include "host/command_line.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, IntegersParseLeniently) {
  EXPECT_EQ(3, zel::ParseInt(u"3"));
  EXPECT_EQ(-1, zel::ParseInt(u"-1"));
  EXPECT_EQ(42, zel::ParseInt(u"  +42abc"));
  EXPECT_EQ(0, zel::ParseInt(u"abc"));
  EXPECT_EQ(0, zel::ParseInt(u""));
  EXPECT_EQ(0, zel::ParseInt(u"- 5"));
  EXPECT_EQ(209715200, zel::ParseInt(u"209715200"));
  EXPECT_EQ(2147483647, zel::ParseInt(u"99999999999"));
  EXPECT_EQ(-2147483647 - 1, zel::ParseInt(u"-99999999999"));
}

TEST(CommandLine, HandleValuesAreUnsigned64) {
  EXPECT_EQ(0u, zel::ParseUnsigned64(u"0"));
  EXPECT_EQ(17u, zel::ParseUnsigned64(u" 17x"));
  EXPECT_EQ(18446744073709551615u, zel::ParseUnsigned64(u"-1"));
  EXPECT_EQ(18446744073709551615u, zel::ParseUnsigned64(u"99999999999999999999999"));
  EXPECT_EQ(0u, zel::ParseUnsigned64(u"x1"));
}

}  // namespace
