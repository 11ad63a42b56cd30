// Text conversions: UTF-8 both ways, strict decoding, Windows-1252.
#include "platform/text.h"

#include <gtest/gtest.h>

namespace vorlanth {
namespace {

TEST(Utf8, RoundTripsEveryPlane) {
  const std::u16string text = u"Grüße € 😀 \u0001";
  EXPECT_EQ(ToUtf8(text),
            "Gr\xC3\xBC\xC3\x9F"
            "e \xE2\x82\xAC \xF0\x9F\x98\x80 \x01");
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(Utf8Length(text), ToUtf8(text).size());
  EXPECT_EQ(Utf8Length(u"Grüße.txt"), 11u);
}

TEST(Utf8, LoneSurrogateEncodesAsReplacement) {
  const std::u16string lone = {u'a', char16_t(0xD800), u'b'};
  EXPECT_EQ(ToUtf8(lone),
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(Utf8Length(lone), 5u);
}

TEST(Utf8, StrictDecodingRejectsMalformedInput) {
  struct Case {
    const char* bytes;
    bool valid;
  };
  const Case cases[] = {
      {"plain", true},
      {"\xC3\xBC", true},
      {"\xEF\xBB\xBF"
       "bom",
       true},
      {"\xFC", false},              // a Latin-1 byte on its own
      {"\xC0\xAF", false},          // overlong "/"
      {"\xED\xA0\x80", false},      // an encoded surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xE2\x82", false},          // cut short
  };
  for (const Case& c : cases)
    EXPECT_EQ(DecodeUtf8Strict(c.bytes).has_value(), c.valid) << c.bytes;
  EXPECT_EQ(FromUtf8("a\xFF"
                     "b"),
            u"a\uFFFDb");
}

TEST(Ansi, DecodesWindows1252) {
  EXPECT_EQ(FromAnsi("\x80\x8A\x9F\xE9\x41"), u"€ŠŸéA");
  // Bytes the code page leaves undefined stay the control character of the same value.
  EXPECT_EQ(FromAnsi("\x81\x8D\x8F\x90\x9D"), u"\u0081\u008D\u008F\u0090\u009D");
}

TEST(Ansi, EncodesWindows1252AndMarksMissingCharacters) {
  EXPECT_EQ(ToAnsi(u"€ŠŸéA\u0081"), "\x80\x8A\x9F\xE9\x41\x81");
  EXPECT_EQ(ToAnsi(u"Ā😀"), "??");
  for (int b = 0; b < 256; ++b) {
    std::string byte(1, char(b));
    EXPECT_EQ(ToAnsi(FromAnsi(byte)), byte) << b;
  }
}

TEST(TextHelpers, CaseAndTrimming) {
  EXPECT_TRUE(StartsWithAsciiNoCase(u"HtTpS://x", u"https://"));
  EXPECT_FALSE(StartsWithAsciiNoCase(u"http:", u"https://"));
  EXPECT_TRUE(EqualsAsciiNoCase(u"DATA\\x", u"data\\X"));
  EXPECT_FALSE(EqualsAsciiNoCase(u"ü", u"Ü"));  // only ASCII letters fold
  EXPECT_EQ(Trim(u" \t\r\n url \x01"), u"url");
  EXPECT_EQ(DecimalText(7, 3), u"007");
  EXPECT_EQ(DecimalText(1234, 3), u"1234");
  EXPECT_EQ(DecimalText(-5), u"-5");
}

}  // namespace
}  // namespace vorlanth
