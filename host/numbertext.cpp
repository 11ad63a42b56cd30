// Parsing and formatting of numbers and dates in locale 1033's forms.
#include "host/numbertext.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vorlanth {

namespace {

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

int DigitValue(char16_t c, int radix) {
  int value = -1;
  if (IsDigit(c)) value = c - u'0';
  if (c >= u'A' && c <= u'F') value = c - u'A' + 10;
  if (c >= u'a' && c <= u'f') value = c - u'a' + 10;
  return value < radix ? value : -1;
}

std::optional<double> ParseRadixDigits(std::u16string_view digits, int radix) {
  if (digits.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char16_t c : digits) {
    int digit = DigitValue(c, radix);
    if (digit < 0) return std::nullopt;
    if (value > (UINT64_MAX - uint64_t(digit)) / uint64_t(radix)) return HUGE_VAL;
    value = value * uint64_t(radix) + uint64_t(digit);
  }
  if (value <= UINT32_MAX) return double(int32_t(uint32_t(value)));
  return double(value);
}

// Appends the digits at `pos` to `out`, skipping group separators; returns how many digits.
size_t TakeDigits(std::u16string_view text, size_t& pos, std::string& out, bool groups) {
  size_t count = 0;
  while (pos < text.size()) {
    char16_t c = text[pos];
    if (IsDigit(c)) {
      out += char(c);
      ++count;
    } else if (!(groups && c == u',' && count > 0)) {
      break;
    }
    ++pos;
  }
  return count;
}

}  // namespace

std::optional<double> ParseNumberText(std::u16string_view text) {
  ZipString trimmed = Trim(text);
  std::u16string_view s = trimmed;
  size_t pos = 0;
  bool negative = false;
  if (pos < s.size() && (s[pos] == u'+' || s[pos] == u'-')) negative = s[pos++] == u'-';

  if (s.size() - pos >= 2 && s[pos] == u'&') {
    char16_t prefix = UpperAscii(s[pos + 1]);
    if (prefix != u'H' && prefix != u'O') return std::nullopt;
    std::optional<double> value = ParseRadixDigits(s.substr(pos + 2), prefix == u'H' ? 16 : 8);
    if (value && negative) *value = -*value;
    return value;
  }

  std::string ascii = negative ? "-" : "";
  size_t digits = TakeDigits(s, pos, ascii, true);
  if (pos < s.size() && s[pos] == u'.') {
    ascii += '.';
    ++pos;
    digits += TakeDigits(s, pos, ascii, false);
  }
  if (digits == 0) return std::nullopt;
  if (pos < s.size() && (UpperAscii(s[pos]) == u'E' || UpperAscii(s[pos]) == u'D')) {
    ascii += 'E';
    ++pos;
    if (pos < s.size() && (s[pos] == u'+' || s[pos] == u'-')) ascii += char(s[pos++]);
    if (TakeDigits(s, pos, ascii, false) == 0) return std::nullopt;
  }
  if (pos != s.size()) return std::nullopt;
  return std::strtod(ascii.c_str(), nullptr);
}

ZipString FormatNumberText(double value) {
  if (value == 0) return u"0";  // also for -0
  char text[32];
  std::snprintf(text, sizeof text, "%.15G", value);
  return FromUtf8(text);
}

namespace {

// Days since 30 December 1899 of the first and the day after the last date of year 100..9999.
constexpr double kFirstDay = -657434;
constexpr double kEndDay = 2958466;
// 30 December 1899 counted from 1 January 1970.
constexpr int64_t kEpochOffset = -25569;

struct TCivilDate {
  int64_t Year;
  unsigned Month;
  unsigned Day;
};

// Howard Hinnant's conversion of a day count since 1970-01-01 to the proleptic Gregorian date.
TCivilDate CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned day = doy - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  return {int64_t(yoe) + era * 400 + (month <= 2), month, day};
}

}  // namespace

bool IsDateInRange(double days) {
  return days >= kFirstDay && days < kEndDay;
}

ZipString FormatDateText(double days) {
  // The whole part is the day, whatever its sign; the fraction's size is the time of day.
  int64_t day = int64_t(std::trunc(days));
  int64_t seconds = std::llround(std::fabs(days - double(day)) * 86400);
  if (seconds >= 86400) {
    ++day;
    seconds -= 86400;
  }
  std::string text;
  char part[48];
  if (day != 0) {
    TCivilDate date = CivilFromDays(day + kEpochOffset);
    std::snprintf(part, sizeof part, "%u/%u/%04lld", date.Month, date.Day,
                  static_cast<long long>(date.Year));
    text = part;
  }
  if (seconds != 0 || day == 0) {
    int64_t hour = seconds / 3600;
    std::snprintf(part, sizeof part, "%s%lld:%02lld:%02lld %s", text.empty() ? "" : " ",
                  static_cast<long long>(hour % 12 == 0 ? 12 : hour % 12),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60),
                  hour < 12 ? "AM" : "PM");
    text += part;
  }
  return FromUtf8(text);
}

}  // namespace vorlanth
