#include "app/settings.h"

#include <gtest/gtest.h>

#include <string>
#include <initializer_list>
#include <span>
#include <utility>
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

// A file's values by key index; the rest unset.
SettingsFileValues Values(std::initializer_list<std::pair<std::size_t, std::u16string>> set) {
  SettingsFileValues values;
  for (const auto& [key, value] : set) values[key] = value;
  return values;
}

Settings BuiltIn() {
  Settings s;
  s.services = {"https://ocr.built.in", "builtId", "builtSecret", "http://img.built.in"};
  s.engine = OcrEngine::kLocal;
  return s;
}

TEST(SettingsResolve, EachKeyFromTheFirstFileWithASoundValueElseBuiltIn) {
  const SettingsFileValues perUser = Values({{kOcrUrlKey, u"http://ocr.user/x"}, {kClientIdKey, u"userId"}});
  const SettingsFileValues beside = Values({{kOcrUrlKey, u"http://ocr.beside"}, {kClientIdKey, u"besideId"},
                                            {kClientSecretKey, u""}, {kImageHostUrlKey, u"http://img.beside:8080/"},
                                            {kClientSecretKey, u"besideSecret"}});
  SettingsNotes notes;
  const SettingsFileValues files[] = {perUser, beside};
  const Settings got = ResolveSettings(BuiltIn(), files, notes);
  EXPECT_EQ(got.services, (ServiceSettings{"http://ocr.beside", "userId", "besideSecret", "http://img.beside:8080"}));
  EXPECT_EQ(notes.rejected, (std::vector<RejectedSetting>{{0, kOcrUrlKey}}));
  EXPECT_EQ(got.engine, OcrEngine::kCloud);  // credentials were set, the engine was not

  SettingsNotes none;
  EXPECT_EQ(ResolveSettings(BuiltIn(), {}, none), BuiltIn());
  EXPECT_TRUE(none.rejected.empty());
  EXPECT_FALSE(none.credentialsWithheld);
}

// A credential never goes to an address that a file ranking above the
// credential's own file set; the built-in ones go to the built-in service only.
TEST(SettingsResolve, CredentialsGoOnlyToAnAddressOfTheirOwnFileOrOneBelow) {
  const struct {
    const char* what;
    SettingsFileValues perUser, beside;
    std::string id, secret;
    bool withheld;
  } rows[] = {
      {"per-user url alone", Values({{kOcrUrlKey, u"http://evil.example"}}),
       Values({{kClientIdKey, u"bId"}, {kClientSecretKey, u"bSecret"}}), "", "", true},
      {"per-user url with its own pair", Values({{kOcrUrlKey, u"http://u.example"}, {kClientIdKey, u"uId"},
                                                 {kClientSecretKey, u"uSecret"}}),
       Values({{kClientIdKey, u"bId"}, {kClientSecretKey, u"bSecret"}}), "uId", "uSecret", false},
      {"per-user url with half a pair", Values({{kOcrUrlKey, u"http://u.example"}, {kClientIdKey, u"uId"}}),
       Values({{kClientSecretKey, u"bSecret"}}), "", "", true},
      {"per-user id with the installation's url and secret", Values({{kClientIdKey, u"uId"}}),
       Values({{kOcrUrlKey, u"http://b.example"}, {kClientSecretKey, u"bSecret"}}), "uId", "bSecret", false},
      {"installation url without credentials", {}, Values({{kOcrUrlKey, u"http://b.example"}}), "", "", true},
      {"per-user id, built-in address and secret", Values({{kClientIdKey, u"uId"}}), {}, "uId", "builtSecret",
       false},
  };
  for (const auto& row : rows) {
    SettingsNotes notes;
    const SettingsFileValues files[] = {row.perUser, row.beside};
    const Settings got = ResolveSettings(BuiltIn(), files, notes);
    EXPECT_EQ(got.services.clientId, row.id) << row.what;
    EXPECT_EQ(got.services.clientSecret, row.secret) << row.what;
    EXPECT_EQ(notes.credentialsWithheld, row.withheld) << row.what;
    EXPECT_EQ(got.services.HasCredentials(), !row.withheld) << row.what;
  }
}

TEST(SettingsResolve, EngineUpdatePageAndCaptureKeys) {
  const auto resolve = [](SettingsFileValues file, SettingsNotes& notes) {
    const SettingsFileValues files[] = {std::move(file)};
    return ResolveSettings(BuiltIn(), files, notes, [](std::u16string_view k) { return k == u"Ctrl+F1"; });
  };
  SettingsNotes notes;
  Settings got = resolve(Values({{kOcrEngineKey, u"CLOUD"}, {kUpdateUrlKey, u"https://x.example/news?v=1#top"},
                                 {kCaptureHotkeyKey, u"Ctrl+F1"}, {kCaptureCopyKey, u"0"}, {kImageHostUrlKey, u""}}),
                         notes);
  EXPECT_EQ(got.engine, OcrEngine::kCloud);
  EXPECT_EQ(got.updatePageUrl, "https://x.example/news?v=1#top");
  EXPECT_EQ(got.capture, (CaptureSettings{"Ctrl+F1", false}));
  EXPECT_FALSE(got.services.HasImageHost());  // an empty address: none
  EXPECT_TRUE(notes.rejected.empty());

  // An explicit engine wins over credentials; an empty hotkey turns it off; bad values fall back.
  notes = {};
  got = resolve(Values({{kOcrEngineKey, u"local"}, {kClientIdKey, u"id"}, {kCaptureHotkeyKey, u""}}), notes);
  EXPECT_EQ(got.engine, OcrEngine::kLocal);
  EXPECT_EQ(got.capture.hotkey, "");
  notes = {};
  got = resolve(Values({{kOcrEngineKey, u"remote"}, {kUpdateUrlKey, u"file:///c:/x"}, {kCaptureHotkeyKey, u"F13"},
                        {kCaptureCopyKey, u"yes"}}),
                notes);
  EXPECT_EQ(got, BuiltIn());
  EXPECT_EQ(notes.rejected, (std::vector<RejectedSetting>{
                                {0, kOcrEngineKey}, {0, kUpdateUrlKey}, {0, kCaptureHotkeyKey}, {0, kCaptureCopyKey}}));
}

TEST(SettingsCheck, PageUrlIsAServiceUrlWithAPath) {
  EXPECT_EQ(CheckPageUrl(u"HTTPS://Example.com:8443/a/b.html?x=1&y=%20#f"), "https://Example.com:8443/a/b.html?x=1&y=%20#f");
  EXPECT_EQ(CheckPageUrl(u"http://example.com"), "http://example.com");
  for (const std::u16string& bad : {std::u16string(u"http://exa mple.com/"), std::u16string(u"http://e.com/a b"),
                                   std::u16string(u"http://e.com/\"x\""), std::u16string(u"http://e.com/<b"), std::u16string(u"javascript:alert(1)"),
                                   std::u16string(u"http://e.com/\u00e9"), u"http://e.com/" + std::u16string(2040, u'a')})
    EXPECT_FALSE(CheckPageUrl(bad)) << bad.size();
}

std::u16string Ansi(std::string_view bytes) {
  std::u16string text = u"ansi:";
  for (char c : bytes) text += static_cast<char16_t>(static_cast<unsigned char>(c));
  return text;
}
std::u16string Text(std::string_view bytes) {
  return SettingsFileText(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), Ansi);
}

TEST(SettingsFileText, EveryEncodingNotepadSaves) {
  EXPECT_EQ(Text("\xEF\xBB\xBF[ocr]"), u"[ocr]");               // UTF-8 with a BOM
  EXPECT_EQ(Text("[ocr] \xE4\xBE\x8B"), u"[ocr] \u4f8b");        // UTF-8 without one
  EXPECT_EQ(Text(std::string("\xFF\xFE[\0o\0", 6)), u"[o");       // UTF-16 little-endian
  EXPECT_EQ(Text(std::string("\xFE\xFF\0[\x4F\x8B", 6)), u"[\u4f8b");  // and big-endian
  EXPECT_EQ(Text("[ocr] \xC0\xFD"), u"ansi:[ocr] \u00c0\u00fd");  // not UTF-8: the ANSI code page
  EXPECT_EQ(Text("\xEF\xBB\xBF" "a\xC0" "b"), u"a\ufffdb");       // a BOM with a broken byte
  EXPECT_EQ(Text("\xF0\x9F\x98\x80"), u"\U0001F600");
}

TEST(SettingsFileParse, SectionsKeysAndWhatIsUnknown) {
  const SettingsFile file = ParseSettingsFile(
      u"stray=1\r\n"
      u"; a comment\n"
      u"[ OCR ]\r\n"
      u"  URL = \"http://a.example\" \r\n"
      u"url=http://second.example\r"
      u"Client_ID='id'\n"
      u"client_secret=\n"
      u"colour=blue\n"
      u"no equals sign\n"
      u"[image_host]\n"
      u"url=http://img.example\n"
      u"[fonts]\n"
      u"face=x\n"
      u"[ocr]\n"
      u"engine=local");
  EXPECT_EQ(file.values[kOcrUrlKey], u"http://a.example");  // the first of two, quotes taken off
  EXPECT_EQ(file.values[kClientIdKey], u"id");
  EXPECT_EQ(file.values[kClientSecretKey], u"");            // there, and empty
  EXPECT_EQ(file.values[kImageHostUrlKey], u"http://img.example");
  EXPECT_FALSE(file.values[kOcrEngineKey]);                 // a second [ocr] is not read
  EXPECT_FALSE(file.values[kUpdateUrlKey]);
  EXPECT_EQ(file.unknown, (std::vector<UnknownSetting>{{u"", u"stray", 1},
                                                        {u"OCR", u"colour", 8},
                                                        {u"OCR", u"no equals sign", 9},
                                                        {u"fonts", u"", 12}}));
}

}  // namespace
}  // namespace ornivex
