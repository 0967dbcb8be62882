#include "http/text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace ornivex {
namespace {

// Byte strings used below (GBK):
//   "\xD6\xD0"  中      "\xB9\xFA" 国
//   "\x81\x41"  a double-byte character whose second byte is 'A'
//   "\x95\x5C"  a double-byte character whose second byte is '\'
//   "\xA1\xA1"  the full-width space

TEST(GbkSearch, NeverMatchesInsideADoubleByteCharacter) {
  EXPECT_EQ(FindText("\x81\x41" "A", "A"), 3);
  EXPECT_EQ(FindText("\x95\x5C" "x\\y", "\\"), 4);
  EXPECT_EQ(FindText("\x95\x5C", "\\"), -1);
  // A needle spanning the end of one character and the start of the next.
  EXPECT_EQ(FindText("\xD6\xD0\xB9\xFA", "\xD0\xB9"), -1);
  EXPECT_EQ(FindText("\xD6\xD0\xB9\xFA", "\xB9\xFA"), 3);
  // The byte search runs ahead of the character walk; a hit inside a
  // character must not hide a real one further on.
  EXPECT_EQ(FindText("\x81\x41\x81\x41" "A\x81\x41", "A"), 5);
}

TEST(GbkSearch, IgnoreCaseFoldsOnlySingleByteLetters) {
  EXPECT_EQ(FindText("xxHeLLo", "hello", 1, true), 3);
  EXPECT_EQ(FindText("xxHeLLo", "hello", 1, false), -1);
  // 81 61 is another character than 81 41: no folding inside characters.
  EXPECT_EQ(FindText("\x81\x61", "\x81\x41", 1, true), -1);
  EXPECT_EQ(FindText("\x81\x41" "a", "A", 1, true), 3);
}

TEST(GbkSearch, StartPositionsAndDegenerateInput) {
  EXPECT_EQ(FindText("abcabc", "abc", 2), 4);
  EXPECT_EQ(FindText("abcabc", "abc", -5), 1);
  EXPECT_EQ(FindText("abc", "c", 4), -1);
  EXPECT_EQ(FindText("abc", "c", 1000), -1);
  EXPECT_EQ(FindText("", "a"), -1);
  EXPECT_EQ(FindText("ab", "abc"), -1);
  // Longer than what is left after the start, though not than the whole text.
  for (const bool ignoreCase : {false, true}) {
    EXPECT_EQ(FindGbk("xabc", "abc", 2, ignoreCase), std::string_view::npos);
    EXPECT_EQ(FindGbk("ab", "abc", 1, ignoreCase), std::string_view::npos);
  }
  // A double-byte character after the first of the needle, matched exactly when case is ignored.
  EXPECT_EQ(FindGbk("xA\xD6\xD0", "a\xD6\xD0", 0, true), 1u);
  EXPECT_EQ(FindGbk("xA\xD6\xD1", "a\xD6\xD0", 0, true), std::string_view::npos);
  EXPECT_EQ(FindText("abc", ""), 1);
  // A lead byte at the very end, or one followed by a byte that cannot end a
  // character, stands alone: the walk neither overruns nor swallows the quote.
  EXPECT_EQ(FindText("ab\xD6", "\xD6"), 3);
  EXPECT_EQ(FindText("\x81\"x\"", "\""), 2);
  EXPECT_EQ(GbkCharLength("\xD6", 0), 1u);
  EXPECT_EQ(GbkCharLength("\xD6\xD0", 0), 2u);
}

TEST(GbkSearch, LeadAndTrailByteRangesAtTheirEnds) {
  // Lead bytes 81..FE; trail bytes 40..7E and 80..FE.
  const std::pair<const char*, std::size_t> pairs[] = {
      {"\x80\x40", 1}, {"\x81\x40", 2}, {"\xFE\x40", 2}, {"\xFF\x40", 1}, {"\x81\x3F", 1}, {"\x81\x7E", 2},
      {"\x81\x7F", 1}, {"\x81\x80", 2}, {"\x81\xFE", 2}, {"\x81\xFF", 1},
  };
  for (const auto& [bytes, length] : pairs) EXPECT_EQ(GbkCharLength(bytes, 0), length) << std::hex << +bytes[0];
  // A trail byte that looks like the first byte of the ideographic full stop
  // (A1 A3) or like a backslash is still part of its character.
  EXPECT_EQ(FindText("\xB0\xA1\xA3\xC1", "\xA1\xA3"), -1);
  EXPECT_EQ(FindText("\xB0\xA1\xA1\xA3", "\xA1\xA3"), 3);
  EXPECT_EQ(FindText("\xFE\x5C\\", "\\", 1, true), 3);
}

TEST(Trimming, RemovesAsciiAndFullWidthSpacesOnly) {
  EXPECT_EQ(TrimSpaces("  \xA1\xA1 a b \xA1\xA1  "), "a b");
  EXPECT_EQ(TrimSpaces("\t a \r\n"), "\t a \r\n");
  EXPECT_EQ(TrimSpaces("   "), "");
  EXPECT_EQ(TrimSpaces("\xA1\xA1\xA1\xA1"), "");
  EXPECT_EQ(TrimSpaces(""), "");
  // C4 A1 is a character; the A1 after it is a lone byte, not half a space.
  EXPECT_EQ(TrimSpaces("\xC4\xA1\xA1"), "\xC4\xA1\xA1");
  EXPECT_EQ(TrimSpaces("\xB0\xA1\xA1\xA1"), "\xB0\xA1");
  EXPECT_EQ(TrimSpaces(" \xA1"), "\xA1");
  EXPECT_EQ(TrimSpaces("a\xA1\xA1b "), "a\xA1\xA1b");  // a full-width space inside stays
}

TEST(TextBeforeTest, CutsAtTheFirstSeparator) {
  EXPECT_EQ(TextBefore("Set-Cookie: a=1", ": "), "Set-Cookie");
  EXPECT_EQ(TextBefore("Set-Cookie a=1", ": "), "");
  EXPECT_EQ(TextBefore("a:b:c", ":", 3), "a:b");
  EXPECT_EQ(TextBefore("Key=Value", "=", 1), "Key");
  EXPECT_EQ(TextBefore("aXbxc", "x", 1, true), "a");
  EXPECT_EQ(TextBefore(":x", ":"), "");
  EXPECT_EQ(TextBefore("\x95\x5C" "a\\b", "\\"), "\x95\x5C" "a");
}

TEST(TextBetweenTest, TokenReplyWithAndWithoutThePlaceholder) {
  const std::string reply = R"({"access_token":"24.abc.def","expires_in":2592000,"x":"y"})";
  EXPECT_EQ(TextBetween(reply, R"({"access_token":")", R"(",)"), "24.abc.def");
  const std::string quote = std::string(kQuotePlaceholder);
  EXPECT_EQ(TextBetween(reply, "{" + quote + "access_token" + quote + ":" + quote, quote + ","), "24.abc.def");
}

TEST(TextBetweenTest, MissingMarkersAndPositions) {
  EXPECT_EQ(TextBetween("x=1; y=2", "z=", ";"), "");
  EXPECT_EQ(TextBetween("a]b[c", "[", "]"), "");  // right marker only before the left one
  EXPECT_EQ(TextBetween("[]", "[", "]"), "");
  EXPECT_EQ(TextBetween("[a][b]", "[", "]"), "a");
  EXPECT_EQ(TextBetween("[a][b]", "[", "]", 2), "b");
  EXPECT_EQ(TextBetween("[a][b]", "[", "]", 0), "a");
  EXPECT_EQ(TextBetween("[a][b]", "[", "]", -3), "a");
  EXPECT_EQ(TextBetween("<TITLE>x</title>", "<title>", "</TITLE>", 0, true), "x");
  EXPECT_EQ(TextBetween("<TITLE>x</title>", "<title>", "</TITLE>"), "");
  EXPECT_EQ(TextBetween("\xD6\xD0[\xB9\xFA]", "\xD6\xD0[", "]"), "\xB9\xFA");
  // The value is not trimmed: only ExtractAllBetween trims.
  EXPECT_EQ(TextBetween("( a )", "(", ")"), " a ");
}

TEST(Cookies, NameOfAPair) {
  EXPECT_EQ(CookieName(" sid = 1"), "sid");
  EXPECT_EQ(CookieName("flag"), "flag");
  EXPECT_EQ(CookieName("a=b=c"), "a");
  EXPECT_EQ(CookieName("=x"), "");
  const std::vector<std::string> pairs = {"SID=1", "lang=zh"};
  EXPECT_TRUE(HasCookieName(pairs, "lang"));
  EXPECT_FALSE(HasCookieName(pairs, "sid"));
  EXPECT_FALSE(HasCookieName({}, "x"));
}

TEST(Cookies, MergeKeepsNewPairsFirstAndDropsDeletions) {
  struct Case {
    const char* oldCookies;
    const char* newCookies;
    const char* merged;
  };
  const Case cases[] = {
      {"a=1; b=2", "b=3", "b=3; a=1"},
      {"a=1", "a=deleted", ""},
      {"a=1; a=2", "", "a=1"},
      {"sid=1", "sid=1; sid=1", "sid=1"},
      {"SID=1", "sid=2", "sid=2; SID=1"},
      {"x=1; y=2; z=3", "c=3; b=2", "c=3; b=2; x=1; y=2; z=3"},
      {"", "", ""},
      {"a=1", "", "a=1"},
      {"", "a=1", "a=1"},
      {"  a=1 ;; ;b=2;  ", "", "a=1; b=2"},
      {"\xA1\xA1" "a=1\xA1\xA1", "", "a=1"},
      {"a=1", "a=DELETED", "a=DELETED"},
      {"a=1; b=2", "b=deleted; c=deleted", "a=1"},
      {"a=1", "a = 2", "a = 2"},
      {"k=\xD6\xD0", "j=\xB9\xFA", "j=\xB9\xFA; k=\xD6\xD0"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MergeCookies(c.oldCookies, c.newCookies), c.merged) << "old: " << c.oldCookies << "  new: " << c.newCookies;
}

TEST(JoinDistinctTest, RemovesRepeatedItemsKeepingTheFirst) {
  EXPECT_EQ(JoinDistinct("a; b; a; c; b", "; "), "a; b; c");
  EXPECT_EQ(JoinDistinct("a,a,a", ","), "a");
  // Enough items that the table of those seen grows several times.
  std::string many, once;
  for (int round = 0; round < 2; ++round)
    for (int i = 0; i < 600; ++i) many += (many.empty() ? "" : ",") + std::to_string(i);
  for (int i = 0; i < 600; ++i) once += (i ? "," : "") + std::to_string(i);
  EXPECT_EQ(JoinDistinct(many, ","), once);
  EXPECT_EQ(JoinDistinct("abc", ","), "abc");
  EXPECT_EQ(JoinDistinct("", ","), "");
  EXPECT_EQ(JoinDistinct("a,,b,,", ","), "a,,b");
  EXPECT_EQ(JoinDistinct("a,b", ""), "a,b");
  // The separator is never found inside a double-byte character.
  EXPECT_EQ(JoinDistinct("\x95\x5C\\\x95\x5C", "\\"), "\x95\x5C");
}

TEST(IndexOfTextTest, FirstExactMatch) {
  const std::vector<std::string> list = {"a", "B", "a"};
  EXPECT_EQ(IndexOfText(list, "a"), 1);
  EXPECT_EQ(IndexOfText(list, "B"), 2);
  EXPECT_EQ(IndexOfText(list, "b"), -1);
  EXPECT_EQ(IndexOfText({}, ""), -1);
}

TEST(ExtractAll, RecognisedWordsOfAReply) {
  const std::string reply =
      R"({"log_id": 1, "words_result": [{"words": " first line "}, {"words": ")"
      "\xA1\xA1\xD6\xD0\xB9\xFA\xA1\xA1"  // full-width space, 中国, full-width space
      R"("}, {"WORDS": "third"}, {"words": "  "}, {"words": "last"}]})";
  std::vector<std::string> lines{"stale"};
  EXPECT_EQ(ExtractAllBetween(reply, R"({"words": ")", R"("})", lines), 4u);
  EXPECT_EQ(lines, (std::vector<std::string>{"first line", "\xD6\xD0\xB9\xFA", "third", "last"}));

  EXPECT_EQ(ExtractAllBetween(reply, R"({"words": ")", R"("})", lines, {.caseSensitive = true}), 3u);
  EXPECT_EQ(ExtractAllBetween("no markers here", "{", "}", lines), 0u);
  EXPECT_TRUE(lines.empty());
}

TEST(ExtractAll, Options) {
  std::vector<std::string> out;
  ExtractAllBetween("<a><bb><ccc>", "<", ">", out, {.includeLeft = true, .includeRight = true});
  EXPECT_EQ(out, (std::vector<std::string>{"<a>", "<bb>", "<ccc>"}));
  ExtractAllBetween("<a><bb><ccc>", "<", ">", out, {.prefix = "[", .suffix = "]"});
  EXPECT_EQ(out, (std::vector<std::string>{"[a]", "[bb]", "[ccc]"}));
  ExtractAllBetween("<a><bb><ccc>", "<", ">", out, {.maxLength = 3});
  EXPECT_EQ(out, (std::vector<std::string>{"a", "bb"}));
  ExtractAllBetween("<a><bb><ccc>", "<", ">", out, {.start = 4});
  EXPECT_EQ(out, (std::vector<std::string>{"bb", "ccc"}));
  // An empty value is skipped, but a prefix makes it count.
  ExtractAllBetween("<><x>", "<", ">", out);
  EXPECT_EQ(out, (std::vector<std::string>{"x"}));
  ExtractAllBetween("<><x>", "<", ">", out, {.prefix = "-"});
  EXPECT_EQ(out, (std::vector<std::string>{"-", "-x"}));
  // The search goes on at the right marker, which may open the next value.
  ExtractAllBetween("|a|b|", "|", "|", out);
  EXPECT_EQ(out, (std::vector<std::string>{"a", "b"}));
}

TEST(ExtractAll, EmptyMarkersTerminate) {
  std::vector<std::string> out;
  EXPECT_EQ(ExtractAllBetween("abc", "", "", out), 0u);
  EXPECT_EQ(ExtractAllBetween("abc", "", "c", out), 1u);
  EXPECT_EQ(out, (std::vector<std::string>{"ab"}));
  EXPECT_EQ(ExtractAllBetween("abc", "", "", out, {.prefix = "p"}), 4u);
  EXPECT_EQ(ExtractAllBetween("", "", "", out, {.prefix = "p"}), 1u);
}

}  // namespace
}  // namespace ornivex
