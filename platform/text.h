// Text: UTF-16 inside the system, UTF-8 and Windows-1252 at its edges.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vorlanth {

// Wide text as the engine and the objects carry it.
using ZipString = std::u16string;

// UTF-16 to UTF-8. A lone surrogate, which has no UTF-8 form, becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// Number of bytes ToUtf8 would produce, without producing them.
size_t Utf8Length(std::u16string_view text);

// UTF-8 to UTF-16, replacing every invalid sequence with U+FFFD. For text that must not fail:
// command-line arguments, messages, names the system hands us.
std::u16string FromUtf8(std::string_view bytes);

// Strict UTF-8 decoding: nullopt when the bytes are not well-formed UTF-8 (overlong forms,
// encoded surrogates and values above U+10FFFF included).
std::optional<std::u16string> DecodeUtf8Strict(std::string_view bytes);

// The system's ANSI code page is Windows-1252. Bytes it leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) decode to the control character of the same value and encode back to it;
// characters it lacks encode as "?".
std::u16string FromAnsi(std::string_view bytes);
std::string ToAnsi(std::u16string_view text);

// True when every character is 7-bit ASCII.
bool IsAscii(std::u16string_view text);

// ASCII letters folded to upper case; every other character unchanged.
char16_t UpperAscii(char16_t c);
std::u16string UpperAscii(std::u16string_view text);

// Comparisons that ignore the case of ASCII letters only, as the name rules require.
bool EqualsAsciiNoCase(std::u16string_view a, std::u16string_view b);
bool StartsWithAsciiNoCase(std::u16string_view text, std::u16string_view prefix);

// Removes leading and trailing blanks and control characters (every character up to U+0020).
std::u16string Trim(std::u16string_view text);

// Every occurrence of one character replaced by another.
std::u16string ReplaceAll(std::u16string_view text, char16_t from, char16_t to);

// Decimal text of a number, at least minDigits long (leading zeros).
std::u16string DecimalText(int64_t value, int minDigits = 1);

// Short spelling for ASCII literals: Text("abc") == u"abc".
inline std::u16string Text(std::string_view utf8) {
  return FromUtf8(utf8);
}

}  // namespace vorlanth
