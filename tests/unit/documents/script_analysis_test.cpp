// Script classes, segments per font, and right-to-left reordering of paragraphs.
#include "documents/script_analysis.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

std::vector<std::pair<std::string, int>> Segments(const std::string& text) {
  std::vector<std::pair<std::string, int>> result;
  size_t position = 0;
  while (auto segment = NextSegment(text.data(), text.size(), position)) {
    result.emplace_back(text.substr(segment->start, segment->length), segment->scriptClass);
  }
  return result;
}

std::string Visual(const std::string& text, bool rightToLeftBase = true) {
  return ToVisualOrder(AnalyseScript(text), rightToLeftBase);
}

TEST(ScriptAnalysis, TextClassesBySeparateScripts) {
  EXPECT_EQ(AnalyseScript("An English sentence.").textClass, kScriptOther);
  EXPECT_EQ(AnalyseScript("12:30, 4 + 5 = 9!").textClass, kScriptNeutral);
  EXPECT_EQ(AnalyseScript("").textClass, kScriptNeutral);
  EXPECT_EQ(AnalyseScript("日本語のテキストです").textClass, kScriptKana);
  EXPECT_EQ(AnalyseScript("한국어 텍스트").textClass, kScriptKana);
  EXPECT_EQ(AnalyseScript("中文文本。").textClass, kScriptHan);
  EXPECT_EQ(AnalyseScript("Ελληνικά и русский").textClass, kScriptOther);
  EXPECT_FALSE(AnalyseScript("Ελληνικά и русский").hasRightToLeft);
  EXPECT_EQ(ScriptClassOf(0x3002), kScriptHan);  // ideographic full stop
  EXPECT_EQ(ScriptClassOf(0x20000), kScriptHan);
  EXPECT_EQ(ScriptClassOf(0x1100), kScriptHangul);
  EXPECT_EQ(ScriptClassOf(0xFFFD), kScriptOther);
}

TEST(ScriptAnalysis, SegmentsFollowTheFontsTheyNeed) {
  using Segs = std::vector<std::pair<std::string, int>>;
  // Kanji join the kana around them; leading neutrals take the class of what follows.
  EXPECT_EQ(Segments("「日本語」のテキスト and English 漢字"),
            (Segs{{"「日本語」のテキスト ", kScriptKana},
                  {"and English ", kScriptOther},
                  {"漢字", kScriptHan}}));
  // Han followed by Hangul becomes a Hangul segment; Latin after it ends it.
  EXPECT_EQ(Segments("12 中文 한국어 abc"),
            (Segs{{"12 中文 한국어 ", kScriptHangul}, {"abc", kScriptOther}}));
  EXPECT_EQ(Segments("漢字かな"), (Segs{{"漢字かな", kScriptKana}}));
  EXPECT_EQ(Segments("한국 漢字"), (Segs{{"한국 漢字", kScriptHangul}}));
  EXPECT_EQ(Segments("42"), (Segs{{"42", kScriptNeutral}}));
  // Bytes that do not decode travel with the segment they are in.
  EXPECT_EQ(Segments("ab\xFF\xFE"
                     "cd"),
            (Segs{{"ab\xFF\xFE"
                   "cd",
                   kScriptOther}}));
  EXPECT_TRUE(Segments("").empty());
}

TEST(ScriptAnalysis, RightToLeftMajorityReadsFromTheRight) {
  const ScriptAnalysis arabic = AnalyseScript("مرحبا بالعالم Hello");
  EXPECT_TRUE(arabic.hasRightToLeft);
  EXPECT_TRUE(arabic.rightToLeftMajority);
  // The English word keeps its letter order inside the reversed sentence.
  EXPECT_EQ(ToVisualOrder(arabic, true), " Helloملاعلاب ابحرم");
  // An upper-case abbreviation between Hebrew words stays as it is.
  EXPECT_EQ(Visual("שלום NATO עולם"), "םלוע NATO םולש");
}

TEST(ScriptAnalysis, RightToLeftMinorityIsReversedInPlace) {
  const ScriptAnalysis mixed = AnalyseScript("The word שלום is Hebrew");
  EXPECT_TRUE(mixed.hasRightToLeft);
  EXPECT_FALSE(mixed.rightToLeftMajority);
  EXPECT_EQ(ToVisualOrder(mixed, true), "The word םולש is Hebrew");
  // A neutral between an English and a Hebrew word stays neutral and goes with the Hebrew run.
  EXPECT_EQ(Visual("Hello: שלום"), "Helloםולש :");
  // The left-to-right base, asked for explicitly, reverses right-to-left runs only.
  EXPECT_EQ(Visual("אב גד", false), "דג בא");
}

}  // namespace
}  // namespace zel
