#include "http/com.h"

#include <gtest/gtest.h>

#include <string>

namespace ornivex {
namespace {

using namespace std::string_literals;

TEST(ComVariant, ValuesSurviveTheRoundTrip) {
  ComApartment com;
  ASSERT_TRUE(com.ok());
  EXPECT_EQ(Variant::FromGbk("\xD6\xD0\xB9\xFA" "ok").ToGbk(), "\xD6\xD0\xB9\xFA" "ok");  // 中国ok
  EXPECT_EQ(Variant::FromGbk("").ToGbk(), "");
  EXPECT_EQ(Variant::FromInt(-7).ToInt(), -7);
  EXPECT_EQ(Variant::FromInt(42).ToGbk(), "42");
  EXPECT_EQ(Variant::FromGbk("123").ToInt(), 123);
  EXPECT_EQ(Variant::FromGbk("x").ToInt(), 0);
  EXPECT_TRUE(Variant::FromBool(true).ToBool());
  EXPECT_FALSE(Variant().ToBool());
  EXPECT_EQ(Variant().ToGbk(), "");

  const std::string raw = "\x00\x01\xFF\x80 body\x00"s;
  const ByteBuffer bytes(raw.begin(), raw.end());
  const Variant array = Variant::FromBytes(bytes);
  EXPECT_EQ(array.type(), VT_ARRAY | VT_UI1);
  EXPECT_EQ(array.ToBytes(), bytes);
  EXPECT_TRUE(Variant::FromBytes({}).ToBytes().empty());
  EXPECT_TRUE(Variant::FromInt(1).ToBytes().empty());
}

TEST(ComVariant, CopiesAreDeepAndMovesEmptyTheSource) {
  ComApartment com;
  Variant a = Variant::FromGbk("abc");
  Variant b = a;
  a = Variant::FromInt(1);
  EXPECT_EQ(b.ToGbk(), "abc");
  Variant c = std::move(b);
  EXPECT_EQ(c.ToGbk(), "abc");
  EXPECT_TRUE(b.empty());  // NOLINT(bugprone-use-after-move): a moved-from Variant is empty
  c = c;
  EXPECT_EQ(c.ToGbk(), "abc");
}

TEST(ComDispatch, CallsByNameOnARealObject) {
  ComApartment com;
  DispatchRef re = CreateDispatchObject(L"VBScript.RegExp");
  ASSERT_TRUE(re);
  EXPECT_TRUE(SUCCEEDED(PutProperty(re.get(), L"Pattern", Variant::FromGbk("b+"))));
  Variant pattern;
  EXPECT_TRUE(SUCCEEDED(GetProperty(re.get(), L"Pattern", pattern)));
  EXPECT_EQ(pattern.ToGbk(), "b+");
  Variant result;
  EXPECT_TRUE(SUCCEEDED(CallMethod(re.get(), L"Replace", {Variant::FromGbk("abbbc"), Variant::FromGbk("-")}, &result)));
  EXPECT_EQ(result.ToGbk(), "a-c");
  // Unknown members and objects fail as return values.
  EXPECT_TRUE(FAILED(CallMethod(re.get(), L"NoSuchMember", {}, &result)));
  EXPECT_TRUE(result.empty());
  EXPECT_FALSE(CreateDispatchObject(L"Ornivex.NoSuchObject"));
  EXPECT_EQ(CallMethod(nullptr, L"Execute", {}), E_POINTER);

  // References: copies add one, Reset drops one; the object lives while any remains.
  DispatchRef copy = re;
  re.Reset();
  EXPECT_FALSE(re);
  EXPECT_TRUE(SUCCEEDED(GetProperty(copy.get(), L"Pattern", pattern)));
}

}  // namespace
}  // namespace ornivex
