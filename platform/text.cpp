// UTF-8 through utfcpp, Windows-1252 through a 32-entry table.
#include "platform/text.h"

#include <utf8.h>

#include <array>

namespace vorlanth {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// Code points of Windows-1252 bytes 0x80 to 0x9F; the undefined ones map to themselves.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Calls sink(codePoint) for every character, lone surrogates as U+FFFD.
template <typename Sink>
void ForEachCodePoint(std::u16string_view text, Sink sink) {
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      sink(0x10000 + ((uint32_t(c) - 0xD800) << 10) + (uint32_t(text[i + 1]) - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      sink(kReplacement);
    } else {
      sink(c);
    }
  }
}

}  // namespace

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachCodePoint(text,
                   [&out](uint32_t cp) { utf8::append(char32_t(cp), std::back_inserter(out)); });
  return out;
}

size_t Utf8Length(std::u16string_view text) {
  size_t length = 0;
  ForEachCodePoint(text, [&length](uint32_t cp) {
    length += cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
  });
  return length;
}

std::u16string FromUtf8(std::string_view bytes) {
  if (auto strict = DecodeUtf8Strict(bytes)) return *strict;
  std::string repaired;
  utf8::replace_invalid(bytes.begin(), bytes.end(), std::back_inserter(repaired), kReplacement);
  return utf8::utf8to16(repaired);
}

std::optional<std::u16string> DecodeUtf8Strict(std::string_view bytes) {
  if (!utf8::is_valid(bytes.begin(), bytes.end())) return std::nullopt;
  std::u16string out;
  out.reserve(bytes.size());
  utf8::utf8to16(bytes.begin(), bytes.end(), std::back_inserter(out));
  return out;
}

std::u16string FromAnsi(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes)
    out.push_back(b >= 0x80 && b <= 0x9F ? kCp1252High[b - 0x80] : b);
  return out;
}

std::string ToAnsi(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  ForEachCodePoint(text, [&out](uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      out.push_back(char(cp));
      return;
    }
    for (size_t i = 0; i < kCp1252High.size(); ++i) {
      if (kCp1252High[i] == cp) {
        out.push_back(char(0x80 + i));
        return;
      }
    }
    out.push_back('?');
  });
  return out;
}

bool IsAscii(std::u16string_view text) {
  for (char16_t c : text)
    if (c > 0x7F) return false;
  return true;
}

char16_t UpperAscii(char16_t c) {
  return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
}

std::u16string UpperAscii(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out)
    c = UpperAscii(c);
  return out;
}

bool EqualsAsciiNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

bool StartsWithAsciiNoCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && EqualsAsciiNoCase(text.substr(0, prefix.size()), prefix);
}

std::u16string Trim(std::u16string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && text[first] <= u' ')
    ++first;
  while (last > first && text[last - 1] <= u' ')
    --last;
  return std::u16string(text.substr(first, last - first));
}

std::u16string ReplaceAll(std::u16string_view text, char16_t from, char16_t to) {
  std::u16string out(text);
  for (char16_t& c : out)
    if (c == from) c = to;
  return out;
}

std::u16string DecimalText(int64_t value, int minDigits) {
  uint64_t magnitude = value < 0 ? 0 - uint64_t(value) : uint64_t(value);
  std::string digits = std::to_string(magnitude);
  if (int(digits.size()) < minDigits) digits.insert(0, size_t(minDigits) - digits.size(), '0');
  if (value < 0) digits.insert(0, 1, '-');
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace vorlanth
