#include "app/settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ornivex {
namespace {

TEST(SettingsCheck, ServiceUrlIsSchemeHostAndPortOnly) {
  const std::u16string label63(63, u'a');
  const struct {
    std::u16string in;
    std::string out;
  } good[] = {
      {u"http://127.0.0.1:18451", "http://127.0.0.1:18451"},
      {u"https://ocr.example.com/", "https://ocr.example.com"},  // one slash may end it
      {u"HTTP://Img.Example.net:1", "http://Img.Example.net:1"},
      {u"http://a-b.c9:65535", "http://a-b.c9:65535"},
      {u"http://[::1]:8080/", "http://[::1]:8080"},
      {u"http://[A::f]:80", "http://[A::f]:80"},  // both ends of the hex letters, either case
      {u"http://" + label63 + u".b", "http://" + std::string(63, 'a') + ".b"},
  };
  for (const auto& row : good) EXPECT_EQ(CheckServiceUrl(row.in), row.out) << row.out;

  const std::u16string bad[] = {
      u"",
      u"127.0.0.1:18451",                // no scheme
      u"ftp://example.com",
      u"http://",
      u"http://example.com/ocr",         // path
      u"http://example.com//",
      u"http://example.com?x=1",
      u"http://example.com#top",
      u"http://user:pw@example.com",
      u"http://example.com:70000",
      u"http://example.com:0",
      u"http://example.com:",
      u"http://example.com:80:81",
      u"http://exa mple.com",
      u"http://-example.com",
      u"http://_example.com",
      u"http://example..com",
      u"http://\u4f8b\u5b50.cn",         // not ASCII
      u"http://" + label63 + u"a.b",
      u"http://" + label63 + u"." + label63 + u"." + label63 + u"." + label63,  // 255 characters
      u"http://[::1",
      u"http://[example]",
  };
  for (const std::u16string& in : bad)
    EXPECT_FALSE(CheckServiceUrl(in)) << std::string(in.begin(), in.end());
}

TEST(SettingsCheck, CredentialIsOneTo128PrintableAsciiCharacters) {
  EXPECT_EQ(CheckCredential(u"Qx7kWm2LpR9tZa4VnB8cYe3D"), "Qx7kWm2LpR9tZa4VnB8cYe3D");
  EXPECT_EQ(CheckCredential(u" ~&=a b"), " ~&=a b");
  EXPECT_EQ(CheckCredential(std::u16string(128, u'x')), std::string(128, 'x'));
  for (const std::u16string& in : {std::u16string(), std::u16string(129, u'x'), std::u16string(u"a\tb"),
                                  std::u16string(u"\u00e9t\u00e9"), std::u16string(u"a\u007fb")})
    EXPECT_FALSE(CheckCredential(in)) << in.size();
}

TEST(SettingsResolve, EachKeyFromTheFirstFileWithASoundValueElseBuiltIn) {
  const ServiceSettings builtIn{"https://ocr.built.in", "builtId", "builtSecret", "http://img.built.in"};
  // Keys: ocr url, client_id, client_secret, image_host url.
  const SettingsFileValues perUser = {u"http://ocr.user/x", u"userId", std::nullopt, std::nullopt};
  const SettingsFileValues beside = {u"http://ocr.beside", u"besideId", u"", u"http://img.beside:8080/"};
  std::vector<RejectedSetting> rejected;
  const SettingsFileValues files[] = {perUser, beside};
  EXPECT_EQ(ResolveSettings(builtIn, files, rejected),
            (ServiceSettings{"http://ocr.beside", "userId", "builtSecret", "http://img.beside:8080"}));
  EXPECT_EQ(rejected, (std::vector<RejectedSetting>{{0, 0}, {1, 2}}));

  rejected.clear();
  EXPECT_EQ(ResolveSettings(builtIn, {}, rejected), builtIn);
  EXPECT_TRUE(rejected.empty());
}

}  // namespace
}  // namespace ornivex
