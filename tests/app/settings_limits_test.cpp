// The service-address check at the edges of each of its limits: the host's
// whole length, a label's length and ends, the bracketed IPv6 form and the
// number of digits a port may have.
#include <gtest/gtest.h>

#include <string>

#include "app/settings.h"

namespace ornivex {
namespace {

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

void Accepted(const std::u16string& host) {
  const std::u16string url = u"http://" + host;
  EXPECT_EQ(CheckServiceUrl(url), Narrow(url)) << Narrow(host) << " (" << host.size() << ")";
}
void Refused(const std::u16string& host) {
  EXPECT_FALSE(CheckServiceUrl(u"http://" + host)) << Narrow(host) << " (" << host.size() << ")";
}

TEST(SettingsLimits, HostNamesUpTo253CharactersOfLabelsUpTo63) {
  const std::u16string l63(63, u'a');
  const std::u16string name253 = l63 + u"." + l63 + u"." + l63 + u"." + std::u16string(61, u'b');
  ASSERT_EQ(name253.size(), 253u);
  Accepted(name253);
  Accepted(name253 + u":8080");
  Refused(name253 + u"b");
  Accepted(u"a");
  Accepted(l63 + u"." + l63);
  Refused(std::u16string(64, u'a'));
  Refused(u"ok." + std::u16string(64, u'a'));  // the last label, past its limit
  // A hyphen inside a label, never at either end of any label.
  Accepted(u"a-b.c-d.e-f");
  Accepted(u"AZ.az.09");  // the ends of the letters and digits
  for (const char16_t* bad : {u"-a.b.c", u"a-.b.c", u"a.-b.c", u"a.b-.c", u"a.b.-c", u"a.b.c-", u"a.b.", u".a.b"})
    Refused(bad);
}

TEST(SettingsLimits, BracketedIpv6FromTheShortestToTheLongestTextForm) {
  Accepted(u"[::]");
  Accepted(u"[::1]:443");
  Accepted(u"[FFFF:abcd::09]");
  const std::u16string longest = u"[ffff:ffff:ffff:ffff:ffff:ffff:255.255.255.255]";  // 45 inside
  ASSERT_EQ(longest.size(), 47u);
  Accepted(longest);
  Refused(u"[0" + longest.substr(1));
  for (const char16_t* bad : {u"[:]", u"[:1]", u"[]", u"[::1", u"[::1:80", u"::1]", u"[::g]", u"[::1]x", u"[::1]:",
                              u"[::1]]"})
    Refused(bad);
}

TEST(SettingsLimits, CredentialsFromSpaceToTilde) {
  EXPECT_EQ(CheckCredential(u" ~"), " ~");
  EXPECT_FALSE(CheckCredential(u"a\x1f"));
  EXPECT_FALSE(CheckCredential(u"a\x7f"));
}

TEST(SettingsLimits, PortsOfOneToFiveDigitsFrom1To65535) {
  for (const char16_t* good : {u"h:1", u"h:9", u"h:65535", u"h:00080", u"h:08"}) Accepted(good);
  for (const char16_t* bad : {u"h:0", u"h:00000", u"h:65536", u"h:99999", u"h:000080", u"h:", u"h:+80", u"h:8a"})
    Refused(bad);
}

}  // namespace
}  // namespace ornivex
