// Numbers and dates as text, in the forms the platform uses for US English (locale 1033).
#pragma once

#include <optional>
#include <string_view>

#include "platform/text.h"

namespace vorlanth {

// Reads a number: blanks around it, an optional sign, decimal digits with "," between
// groups, an optional fraction after "." and an exponent after E or D; or "&H" with up to 16
// hexadecimal digits, "&O" with octal digits. Hexadecimal and octal values of up to 32 bits
// are read as 32-bit two's complement ("&HFFFFFFFF" is -1). nullopt when the text is not a
// number.
std::optional<double> ParseNumberText(std::u16string_view text);

// At most 15 significant digits, in exponent form for very large or small values:
// 0.1, 1234.5, 1E+20, 1E-05.
ZipString FormatNumberText(double value);

// A date value as "M/D/YYYY h:mm:ss AM": the date alone when the time is midnight, the time
// alone on 30 December 1899 (day 0). Seconds are rounded. Expects a value within the years
// 100 to 9999 (IsDateInRange).
ZipString FormatDateText(double days);
bool IsDateInRange(double days);

}  // namespace vorlanth
