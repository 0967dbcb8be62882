#include "http/regex.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "http/text.h"

namespace ornivex {
namespace {

constexpr std::string_view kCharsetPattern = R"(<meta.+?charset=[^\w]?([-\w]+))";

TEST(RegexMatcherTest, FindsTheDeclaredCharset) {
  RegexMatcher re;
  ASSERT_TRUE(re.Create(kCharsetPattern,
                        R"(<html><HEAD><META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=utf-8"></HEAD>)"));
  EXPECT_EQ(re.MatchCount(), 1);
  EXPECT_EQ(re.SubMatchCount(), 1);
  EXPECT_EQ(re.SubMatchText(1, 1), "utf-8");

  ASSERT_TRUE(re.Create(kCharsetPattern, R"(<head><meta charset="GB2312"></head>)"));
  EXPECT_EQ(re.SubMatchText(1, 1), "GB2312");

  ASSERT_TRUE(re.Create(kCharsetPattern, "<html><body>plain</body></html>"));
  EXPECT_EQ(re.MatchCount(), 0);
  EXPECT_EQ(re.SubMatchText(1, 1), "");
  EXPECT_EQ(re.SubMatchCount(), 0);

  ASSERT_TRUE(re.Create(kCharsetPattern, R"(<META charset=utf-8>)", {.caseSensitive = true}));
  EXPECT_EQ(re.MatchCount(), 0);
}

TEST(RegexMatcherTest, QuotePlaceholderInThePattern) {
  RegexMatcher re;
  const std::string pattern = "charset=" + std::string(kQuotePlaceholder) + R"((\w+))";
  ASSERT_TRUE(re.Create(pattern, R"(<meta charset="x">)", {.quotePlaceholder = true}));
  EXPECT_EQ(re.SubMatchText(1, 1), "x");
  EXPECT_EQ(re.GetPattern(), R"(charset="(\w+))");
  // Without the option the placeholder is taken literally.
  ASSERT_TRUE(re.Create(pattern, R"(<meta charset="x">)"));
  EXPECT_EQ(re.MatchCount(), 0);
}

TEST(RegexMatcherTest, PositionsAreByteOffsetsInTheGbkSubject) {
  RegexMatcher re;
  // 中中中a a: three double-byte characters, so the second "a" is character 5
  // but byte 8; a search from character 5 would wrongly stop at byte 6.
  ASSERT_TRUE(re.Create("a", "\xD6\xD0\xD6\xD0\xD6\xD0" "a a"));
  ASSERT_EQ(re.MatchCount(), 2);
  long long pos = 0;
  EXPECT_EQ(re.MatchText(1, &pos), "a");
  EXPECT_EQ(pos, 6);
  EXPECT_EQ(re.MatchText(2, &pos), "a");
  EXPECT_EQ(pos, 8);
  // Asking out of order gives the same answers.
  EXPECT_EQ(re.MatchText(1, &pos), "a");
  EXPECT_EQ(pos, 6);

  // 价格：42元 -- "价格：" is three double-byte characters.
  ASSERT_TRUE(re.Create("(\\d+)(\xD4\xAA)", "\xBC\xDB\xB8\xF1\xA3\xBA" "42\xD4\xAA"));
  EXPECT_EQ(re.MatchText(1, &pos), "42\xD4\xAA");
  EXPECT_EQ(pos, 6);
  EXPECT_EQ(re.SubMatchText(1, 1, &pos), "42");
  EXPECT_EQ(pos, 6);
  EXPECT_EQ(re.SubMatchText(1, 2, &pos), "\xD4\xAA");
  EXPECT_EQ(pos, 8);
}

TEST(RegexMatcherTest, MissingMatchesAndGroupsGiveEmptyResults) {
  RegexMatcher re;
  long long pos = 0;
  EXPECT_EQ(re.MatchCount(), 0);
  EXPECT_EQ(re.MatchText(1, &pos), "");
  EXPECT_EQ(pos, -1);
  EXPECT_EQ(re.GetPattern(), "");
  EXPECT_EQ(re.Replace("x"), "");
  EXPECT_EQ(re.SubMatchCount(), 0);

  ASSERT_TRUE(re.Create("(a)|(b)", "b"));
  EXPECT_EQ(re.MatchText(0), "");
  EXPECT_EQ(re.MatchText(2, &pos), "");
  EXPECT_EQ(pos, -1);
  EXPECT_EQ(re.SubMatchText(1, 0), "");
  EXPECT_EQ(re.SubMatchText(1, 3), "");
  EXPECT_EQ(re.SubMatchText(-1, 1), "");
  EXPECT_EQ(re.SubMatchText(1, 1, &pos), "");  // took no part in the match
  EXPECT_EQ(pos, -1);
  EXPECT_EQ(re.SubMatchText(1, 2, &pos), "b");
  EXPECT_EQ(pos, 0);
}

TEST(RegexMatcherTest, RejectedPatternFails) {
  RegexMatcher re;
  EXPECT_FALSE(re.Create("(unclosed", "text"));
  EXPECT_EQ(re.MatchCount(), 0);
  EXPECT_EQ(re.MatchText(1), "");
  // A later good pattern works again.
  EXPECT_TRUE(re.Create("t(e)", "text"));
  EXPECT_EQ(re.SubMatchText(1, 1), "e");
}

TEST(RegexMatcherTest, ReplaceFollowsTheGlobalSetting) {
  RegexMatcher re;
  ASSERT_TRUE(re.Create("(\\w+)@(\\w+)", "a@b, c@d"));
  EXPECT_EQ(re.Replace("$2@$1"), "b@a, d@c");
  ASSERT_TRUE(re.Create("o", "foo boo", {.global = false}));
  EXPECT_EQ(re.MatchCount(), 1);
  EXPECT_EQ(re.Replace("0"), "f0o boo");
  // Chinese text in pattern, subject and replacement.
  ASSERT_TRUE(re.Create("\xD6\xD0", "\xD6\xD0\xB9\xFA\xD6\xD0"));  // 中 in 中国中
  EXPECT_EQ(re.MatchCount(), 2);
  EXPECT_EQ(re.Replace("x"), "x\xB9\xFAx");
}

TEST(RegexMatcherTest, MultilineAnchors) {
  RegexMatcher re;
  ASSERT_TRUE(re.Create("^b", "a\nb"));
  EXPECT_EQ(re.MatchCount(), 1);
  ASSERT_TRUE(re.Create("^b", "a\nb", {.multiline = false}));
  EXPECT_EQ(re.MatchCount(), 0);
}

TEST(RegexMatcherTest, CopiesShareTheResultsOfTheirCreate) {
  RegexMatcher original;
  ASSERT_TRUE(original.Create("(\\d)", "x1y2"));
  RegexMatcher copy(original);
  ASSERT_TRUE(original.Create("z", "abc"));
  EXPECT_EQ(original.MatchCount(), 0);
  EXPECT_EQ(copy.MatchCount(), 2);
  long long pos = 0;
  EXPECT_EQ(copy.SubMatchText(2, 1, &pos), "2");
  EXPECT_EQ(pos, 3);
  RegexMatcher assigned;
  assigned = copy;
  EXPECT_EQ(assigned.MatchText(1), "1");
}

TEST(RegexMatcherTest, InstancesOnOtherThreadsAreIndependent) {
  int count = -1;
  std::thread worker([&] {
    RegexMatcher re;
    if (re.Create("\\d", "1 2 3")) count = re.MatchCount();
  });
  worker.join();
  EXPECT_EQ(count, 3);
}

}  // namespace
}  // namespace ornivex
