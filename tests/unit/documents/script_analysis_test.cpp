// Script classes, segments per font, right-to-left reordering of paragraphs, and the joined
// forms of Arabic letters.
#include "documents/script_analysis.h"

#include <gtest/gtest.h>

#include "documents/arabic_joining.h"

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
  // Full-width punctuation and the half-width forms belong with the CJK fonts.
  EXPECT_EQ(ScriptClassOf(0xFF0C), kScriptHan);  // full-width comma
  EXPECT_EQ(ScriptClassOf(0xFFE5), kScriptHan);  // full-width yen sign
  EXPECT_EQ(ScriptClassOf(0xFF76), kScriptKana);
  EXPECT_EQ(ScriptClassOf(0xFFA1), kScriptHangul);
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
  EXPECT_EQ(Segments("你好，世界！"), (Segs{{"你好，世界！", kScriptHan}}));
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

TEST(ScriptAnalysis, MarksGoWithTheLetterBeforeThem) {
  // بِسْمِ: three letters, three harakat. The harakat count for neither direction, so the word
  // is right-to-left throughout and is reversed whole, each haraka with its letter.
  const std::string bismi = "\u0628\u0650\u0633\u0652\u0645\u0650";
  const ScriptAnalysis arabic = AnalyseScript(bismi);
  EXPECT_TRUE(arabic.rightToLeftMajority);
  EXPECT_EQ(ToVisualOrder(arabic, true), "\u0650\u0645\u0652\u0633\u0650\u0628");
  // A pointed Hebrew word inside English text is reversed in place with its points.
  EXPECT_EQ(Visual("The word \u05E9\u05B8\u05C1\u05DC\u05D5\u05B9\u05DD is Hebrew"),
            "The word \u05DD\u05B9\u05D5\u05DC\u05C1\u05B8\u05E9 is Hebrew");
  // A Latin accent stays after its letter inside right-to-left text.
  EXPECT_EQ(Visual("שלום e\u0301 עולם"), "םלוע e\u0301 םולש");
  // The Arabic comma follows the word before it.
  EXPECT_EQ(Visual("\u0628\u060C \u062A"), "\u062A \u060C\u0628");
}

TEST(ArabicJoining, LettersTakeTheFormTheirNeighboursCallFor) {
  const std::pair<std::string, std::string> cases[] = {
      // beh initial, seen medial, meem final
      {"\u0628\u0633\u0645", "\uFE91\uFEB4\uFEE2"},
      // harakat do not break the joining and stay after their letters
      {"\u0628\u0650\u0633\u0652\u0645\u0650", "\uFE91\u0650\uFEB4\u0652\uFEE2\u0650"},
      // lam-alef ligature: final after seen, isolated alone; meem after alef stands alone
      {"\u0633\u0644\u0627\u0645", "\uFEB3\uFEFC\uFEE1"},
      {"\u0644\u0627", "\uFEFB"},
      {"\u0644\u064E\u0623", "\uFEF7\u064E"},
      // hamza and alef join nothing after them
      {"\u0621\u0627\u0628", "\uFE80\uFE8D\uFE8F"},
      // the tatweel joins; Persian letters have their forms too
      {"\u0640\u0628", "\u0640\uFE90"},
      {"\u067E\u0646\u062C", "\uFB58\uFEE8\uFE9E"},
      // other text, ill-formed bytes included, is left alone
      {"a \u0628 b", "a \uFE8F b"},
      {"\xFF\u0628\u0628", "\xFF\uFE91\uFE90"},
      {"Hello", "Hello"},
  };
  for (const auto& [logical, joined] : cases) EXPECT_EQ(JoinArabicLetters(logical), joined);
}

}  // namespace
}  // namespace zel
