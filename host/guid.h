// Globally unique identifiers of classes, interfaces and libraries.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace vorlanth {

struct TGUID {
  uint32_t Data1 = 0;
  uint16_t Data2 = 0;
  uint16_t Data3 = 0;
  std::array<uint8_t, 8> Data4{};

  friend constexpr bool operator==(const TGUID&, const TGUID&) = default;

  // Upper-case hexadecimal in braces, as the platform writes identifiers:
  // {FCC4848A-4D7F-4E85-8928-EB3648C4D140}.
  std::u16string ToString() const;
};

namespace detail {

consteval uint32_t HexDigit(char c) {
  if (c >= '0' && c <= '9') return uint32_t(c - '0');
  if (c >= 'A' && c <= 'F') return uint32_t(c - 'A' + 10);
  if (c >= 'a' && c <= 'f') return uint32_t(c - 'a' + 10);
  throw std::invalid_argument("not a hexadecimal digit");
}

consteval uint32_t HexValue(const char* text, int digits) {
  uint32_t value = 0;
  for (int i = 0; i < digits; ++i)
    value = value << 4 | HexDigit(text[i]);
  return value;
}

}  // namespace detail

// An identifier written without braces, "FCC4848A-4D7F-4E85-8928-EB3648C4D140"; checked while
// compiling.
consteval TGUID Guid(const char (&text)[37]) {
  for (int dash : {8, 13, 18, 23}) {
    if (text[dash] != '-') throw std::invalid_argument("identifier without its dashes");
  }
  TGUID guid;
  guid.Data1 = detail::HexValue(text, 8);
  guid.Data2 = uint16_t(detail::HexValue(text + 9, 4));
  guid.Data3 = uint16_t(detail::HexValue(text + 14, 4));
  constexpr int kByteStarts[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (int i = 0; i < 8; ++i)
    guid.Data4[i] = uint8_t(detail::HexValue(text + kByteStarts[i], 2));
  return guid;
}

// The platform's own interfaces.
constexpr TGUID IID_IUnknown = Guid("00000000-0000-0000-C000-000000000046");
constexpr TGUID IID_IClassFactory = Guid("00000001-0000-0000-C000-000000000046");
constexpr TGUID IID_IDispatch = Guid("00020400-0000-0000-C000-000000000046");
constexpr TGUID IID_ISupportErrorInfo = Guid("DF0B3D60-548F-101B-8E65-08002B2BD119");

}  // namespace vorlanth
