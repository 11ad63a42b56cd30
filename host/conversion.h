// The one place where script values become C++ values and C++ values become script values.
#pragma once

#include <cstdint>
#include <type_traits>
#include <vector>

#include "host/status.h"
#include "host/variant.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace vorlanth {

// A script value that a declared type cannot take; the status is DISP_E_TYPEMISMATCH or
// DISP_E_OVERFLOW.
class EVariantError : public Exception {
 public:
  explicit EVariantError(HRESULT status);
  HRESULT Status() const { return FStatus; }

 private:
  HRESULT FStatus;
};

// Types of parameters and results in the member tables, numbered as the platform numbers them.
enum class TAutoType : uint16_t {
  atI4 = 3,
  atBStr = 8,
  atBool = 11,
  atVariant = 12,  // passed as it is; results of this type carry byte arrays
  atVoid = 24,     // no result
};

// Script value to C++ value, by the platform's rules. Empty counts as 0, false or the empty
// text; null, byte arrays and object references convert to none of them.
//   Integer: Booleans give -1 and 0, numbers and dates round half to even, text is read as a
//     number ("12" gives 12, "&HFF" 255); a value beyond 32 bits fails with DISP_E_OVERFLOW.
//   Boolean: any non-zero number is true; text "True"/"False" in any letter case, or a number.
//   Text: integers in decimal, Booleans "-1" and "0", numbers with 15 significant digits,
//     dates as "M/D/YYYY h:mm:ss AM".
// Anything else fails with DISP_E_TYPEMISMATCH.
int32_t VariantToI4(const TVariant& value);
bool VariantToBool(const TVariant& value);
ZipString VariantToText(const TVariant& value);

// An argument converted to its parameter's declared type, as the invoker passes it on.
TVariant CoerceArgument(const TVariant& value, TAutoType type);

// C++ value to script value; a byte array goes out with lower bound 1.
TVariant ToVariant(int32_t value);
TVariant ToVariant(bool value);
TVariant ToVariant(ZipString value);
TVariant ToVariant(std::vector<uint8_t> bytes);

// The declared type that stands for a C++ parameter or result type.
template <class T>
consteval TAutoType AutoTypeOf() {
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_void_v<U>) {
    return TAutoType::atVoid;
  } else if constexpr (std::is_same_v<U, int32_t>) {
    return TAutoType::atI4;
  } else if constexpr (std::is_same_v<U, bool>) {
    return TAutoType::atBool;
  } else if constexpr (std::is_same_v<U, ZipString>) {
    return TAutoType::atBStr;
  } else {
    static_assert(std::is_same_v<U, std::vector<uint8_t>>, "no automation type for this type");
    return TAutoType::atVariant;
  }
}

// The C++ value of an argument already coerced to AutoTypeOf<T>().
template <class T>
decltype(auto) ArgumentValue(const TVariant& coerced) {
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_same_v<U, int32_t>) {
    return coerced.AsI4();
  } else if constexpr (std::is_same_v<U, bool>) {
    return coerced.AsBool();
  } else {
    static_assert(std::is_same_v<U, ZipString>, "no argument conversion for this type");
    return coerced.AsText();
  }
}

}  // namespace vorlanth
