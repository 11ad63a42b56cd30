// Script values and their conversion to the declared parameter types.
#include "host/conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/text.h"

namespace vorlanth {
namespace {

TEST(Variant, ByteArraysHandedOutHaveLowerBoundOne) {
  TVariant bytes = ToVariant(std::vector<uint8_t>{1, 2, 3});
  EXPECT_EQ(bytes.Type(), TVarType::vtByteArray);
  EXPECT_EQ(bytes.LowerBound(), 1);
  EXPECT_EQ(bytes.UpperBound(), 3);
  TVariant empty = ToVariant(std::vector<uint8_t>{});
  EXPECT_EQ(empty.LowerBound(), 1);
  EXPECT_EQ(empty.UpperBound(), 0);
  TVariant fromZero = TVariant::FromBytes({9, 9}, 0);
  EXPECT_EQ(fromZero.UpperBound(), 1);
  EXPECT_THROW(bytes.AsI4(), EAssertionFailed);
}

struct I4Case {
  const char* Label;
  TVariant Value;
  int32_t Expected;  // when Status is S_OK
  HRESULT Status;
};

TEST(Conversion, ToInteger) {
  const I4Case cases[] = {
      {"empty", TVariant(), 0, S_OK},
      {"true", TVariant::FromBool(true), -1, S_OK},
      {"text 12", TVariant::FromText(u"12"), 12, S_OK},
      {"blanks and sign", TVariant::FromText(u"  -7 "), -7, S_OK},
      {"groups", TVariant::FromText(u"1,234"), 1234, S_OK},
      {"hex", TVariant::FromText(u"&HFF"), 255, S_OK},
      {"hex all ones", TVariant::FromText(u"&HFFFFFFFF"), -1, S_OK},
      {"octal", TVariant::FromText(u"&O17"), 15, S_OK},
      {"fraction to even down", TVariant::FromText(u"2.5"), 2, S_OK},
      {"fraction to even up", TVariant::FromR8(3.5), 4, S_OK},
      {"exponent", TVariant::FromText(u"1.5E3"), 1500, S_OK},
      {"date", TVariant::FromDate(45000.75), 45001, S_OK},
      {"largest", TVariant::FromText(u"2147483647"), INT32_MAX, S_OK},
      {"smallest", TVariant::FromR8(-2147483648.0), INT32_MIN, S_OK},
      {"too large text", TVariant::FromText(u"2147483648"), 0, DISP_E_OVERFLOW},
      {"too large number", TVariant::FromR8(3e9), 0, DISP_E_OVERFLOW},
      {"not a number", TVariant::FromR8(std::nan("")), 0, DISP_E_OVERFLOW},
      {"letters", TVariant::FromText(u"abc"), 0, DISP_E_TYPEMISMATCH},
      {"empty text", TVariant::FromText(u""), 0, DISP_E_TYPEMISMATCH},
      {"trailing letters", TVariant::FromText(u"12a"), 0, DISP_E_TYPEMISMATCH},
      {"null", TVariant::Null(), 0, DISP_E_TYPEMISMATCH},
      {"byte array", TVariant::FromBytes({1}), 0, DISP_E_TYPEMISMATCH},
  };
  for (const I4Case& c : cases) {
    SCOPED_TRACE(c.Label);
    try {
      TVariant converted = CoerceArgument(c.Value, TAutoType::atI4);
      EXPECT_EQ(c.Status, S_OK);
      EXPECT_EQ(converted.AsI4(), c.Expected);
    } catch (const EVariantError& error) {
      EXPECT_EQ(error.Status(), c.Status);
    }
  }
}

TEST(Conversion, ToBoolean) {
  struct Case {
    const char* Label;
    TVariant Value;
    bool Expected;
    HRESULT Status;
  };
  const Case cases[] = {
      {"empty", TVariant(), false, S_OK},
      {"zero", TVariant::FromI4(0), false, S_OK},
      {"one", TVariant::FromI4(1), true, S_OK},
      {"any non-zero", TVariant::FromI4(-5), true, S_OK},
      {"fraction", TVariant::FromR8(0.25), true, S_OK},
      {"text True", TVariant::FromText(u"true"), true, S_OK},
      {"text FALSE", TVariant::FromText(u" FALSE "), false, S_OK},
      {"numeric text", TVariant::FromText(u"2"), true, S_OK},
      {"numeric zero", TVariant::FromText(u"0.0"), false, S_OK},
      {"other text", TVariant::FromText(u"yes"), false, DISP_E_TYPEMISMATCH},
      {"null", TVariant::Null(), false, DISP_E_TYPEMISMATCH},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Label);
    try {
      EXPECT_EQ(CoerceArgument(c.Value, TAutoType::atBool).AsBool(), c.Expected);
      EXPECT_EQ(c.Status, S_OK);
    } catch (const EVariantError& error) {
      EXPECT_EQ(error.Status(), c.Status);
    }
  }
}

TEST(Conversion, ToText) {
  struct Case {
    const char* Label;
    TVariant Value;
    const char16_t* Expected;
    HRESULT Status;
  };
  const Case cases[] = {
      {"empty", TVariant(), u"", S_OK},
      {"integer", TVariant::FromI4(-42), u"-42", S_OK},
      {"true", TVariant::FromBool(true), u"-1", S_OK},
      {"false", TVariant::FromBool(false), u"0", S_OK},
      {"tenth", TVariant::FromR8(0.1), u"0.1", S_OK},
      {"fraction", TVariant::FromR8(1234.5), u"1234.5", S_OK},
      {"large", TVariant::FromR8(1e20), u"1E+20", S_OK},
      {"small", TVariant::FromR8(1e-5), u"1E-05", S_OK},
      {"negative zero", TVariant::FromR8(-0.0), u"0", S_OK},
      {"date and time", TVariant::FromDate(45000.75), u"3/15/2023 6:00:00 PM", S_OK},
      {"date alone", TVariant::FromDate(2), u"1/1/1900", S_OK},
      {"time alone", TVariant::FromDate(0.5), u"12:00:00 PM", S_OK},
      {"day zero", TVariant::FromDate(0), u"12:00:00 AM", S_OK},
      {"before day zero", TVariant::FromDate(-1.25), u"12/29/1899 6:00:00 AM", S_OK},
      {"rounded into the next day", TVariant::FromDate(1.999999999), u"1/1/1900", S_OK},
      {"year 10000", TVariant::FromDate(2958466), u"", DISP_E_OVERFLOW},
      {"null", TVariant::Null(), u"", DISP_E_TYPEMISMATCH},
      {"bytes", TVariant::FromBytes({65, 0}), u"", DISP_E_TYPEMISMATCH},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Label);
    try {
      EXPECT_EQ(CoerceArgument(c.Value, TAutoType::atBStr).AsText(), c.Expected);
      EXPECT_EQ(c.Status, S_OK);
    } catch (const EVariantError& error) {
      EXPECT_EQ(error.Status(), c.Status);
    }
  }
}

TEST(Conversion, VariantParametersTakeTheValueAsItIs) {
  TVariant bytes = TVariant::FromBytes({1, 2}, 5);
  TVariant passed = CoerceArgument(bytes, TAutoType::atVariant);
  EXPECT_EQ(passed.LowerBound(), 5);
  EXPECT_EQ(passed.AsBytes(), (std::vector<uint8_t>{1, 2}));
}

}  // namespace
}  // namespace vorlanth
