#include "runtime/codepage.h"

#include <gtest/gtest.h>

namespace ornivex {
namespace {

TEST(CodePage, GbkRoundTripIgnoresAnsiCodePage) {
  const std::string gbk = "\xD1\xA1\xD4\xF1\xCD\xBC\xC6\xAC";  // 选择图片
  const std::wstring wide = GbkToWide(gbk);
  EXPECT_EQ(wide, L"\u9009\u62e9\u56fe\u7247");
  EXPECT_EQ(WideToGbk(wide), gbk);
  EXPECT_EQ(GbkToWide(""), L"");
  EXPECT_EQ(WideToGbk(L""), "");
}

}  // namespace
}  // namespace ornivex
