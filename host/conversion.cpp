// Conversions between script values and C++ values: one exhaustive switch over the value's
// kind for each C++ type taken from a script, one overload for each type handed back.
#include "host/conversion.h"

#include <cmath>
#include <limits>
#include <optional>

#include "host/numbertext.h"

namespace vorlanth {

EVariantError::EVariantError(HRESULT status)
    : Exception(StatusText(status).value_or(u"Conversion failed")), FStatus(status) {}

namespace {

[[noreturn]] void Mismatch() {
  throw EVariantError(DISP_E_TYPEMISMATCH);
}

double NumberFromText(const ZipString& text) {
  std::optional<double> number = ParseNumberText(text);
  if (!number) Mismatch();
  return *number;
}

int32_t RoundToI4(double value) {
  double rounded = std::nearbyint(value);  // the default rounding mode: half to even
  if (!(rounded >= std::numeric_limits<int32_t>::min() &&
        rounded <= std::numeric_limits<int32_t>::max())) {
    throw EVariantError(DISP_E_OVERFLOW);
  }
  return int32_t(rounded);
}

}  // namespace

int32_t VariantToI4(const TVariant& value) {
  switch (value.Type()) {
    case TVarType::vtEmpty:
      return 0;
    case TVarType::vtI4:
      return value.AsI4();
    case TVarType::vtBool:
      return value.AsBool() ? -1 : 0;
    case TVarType::vtR8:
      return RoundToI4(value.AsR8());
    case TVarType::vtDate:
      return RoundToI4(value.AsDate());
    case TVarType::vtBStr:
      return RoundToI4(NumberFromText(value.AsText()));
    case TVarType::vtNull:
    case TVarType::vtDispatch:
    case TVarType::vtByteArray:
      break;
  }
  Mismatch();
}

bool VariantToBool(const TVariant& value) {
  switch (value.Type()) {
    case TVarType::vtEmpty:
      return false;
    case TVarType::vtI4:
      return value.AsI4() != 0;
    case TVarType::vtBool:
      return value.AsBool();
    case TVarType::vtR8:
      return value.AsR8() != 0;
    case TVarType::vtDate:
      return value.AsDate() != 0;
    case TVarType::vtBStr: {
      ZipString text = Trim(value.AsText());
      if (EqualsAsciiNoCase(text, u"True") || EqualsAsciiNoCase(text, u"#TRUE#")) return true;
      if (EqualsAsciiNoCase(text, u"False") || EqualsAsciiNoCase(text, u"#FALSE#")) return false;
      return NumberFromText(text) != 0;
    }
    case TVarType::vtNull:
    case TVarType::vtDispatch:
    case TVarType::vtByteArray:
      break;
  }
  Mismatch();
}

ZipString VariantToText(const TVariant& value) {
  switch (value.Type()) {
    case TVarType::vtEmpty:
      return ZipString();
    case TVarType::vtI4:
      return DecimalText(value.AsI4());
    case TVarType::vtBool:
      return value.AsBool() ? u"-1" : u"0";
    case TVarType::vtR8:
      return FormatNumberText(value.AsR8());
    case TVarType::vtDate:
      if (!IsDateInRange(value.AsDate())) throw EVariantError(DISP_E_OVERFLOW);
      return FormatDateText(value.AsDate());
    case TVarType::vtBStr:
      return value.AsText();
    case TVarType::vtNull:
    case TVarType::vtDispatch:
    case TVarType::vtByteArray:
      break;
  }
  Mismatch();
}

TVariant CoerceArgument(const TVariant& value, TAutoType type) {
  switch (type) {
    case TAutoType::atI4:
      return TVariant::FromI4(VariantToI4(value));
    case TAutoType::atBool:
      return TVariant::FromBool(VariantToBool(value));
    case TAutoType::atBStr:
      return TVariant::FromText(VariantToText(value));
    case TAutoType::atVariant:
      return value;
    case TAutoType::atVoid:
      break;
  }
  throw EAssertionFailed("A parameter cannot have the type void");
}

TVariant ToVariant(int32_t value) {
  return TVariant::FromI4(value);
}
TVariant ToVariant(bool value) {
  return TVariant::FromBool(value);
}
TVariant ToVariant(ZipString value) {
  return TVariant::FromText(std::move(value));
}
TVariant ToVariant(std::vector<uint8_t> bytes) {
  return TVariant::FromBytes(std::move(bytes), 1);
}

}  // namespace vorlanth
