// Script values: the kinds of value a late-bound call carries in and out.
#pragma once

#include <cstdint>
#include <variant>
#include <vector>

#include "host/unknown.h"
#include "platform/text.h"

namespace vorlanth {

// The kinds, numbered as the platform numbers its variant types.
enum class TVarType : uint16_t {
  vtEmpty = 0,
  vtNull = 1,
  vtI4 = 3,
  vtR8 = 5,
  vtDate = 7,  // days since 30 December 1899 00:00; the fraction is the time of day
  vtBStr = 8,
  vtDispatch = 9,        // an object reference
  vtBool = 11,           // automation Boolean: true is -1, false 0
  vtByteArray = 0x2011,  // a one-dimensional array of bytes with its lower bound
};

class TVariant {
 public:
  TVariant() = default;  // empty

  static TVariant Null();
  static TVariant FromI4(int32_t value);
  static TVariant FromBool(bool value);
  static TVariant FromR8(double value);
  static TVariant FromDate(double days);
  static TVariant FromText(ZipString text);
  // A byte array handed to a script has lower bound 1.
  static TVariant FromBytes(std::vector<uint8_t> bytes, int32_t lowerBound = 1);
  static TVariant FromObject(TRef<TUnknown> object);

  TVarType Type() const { return FType; }

  // Each reads the value of its own kind and fails with EAssertionFailed on any other.
  int32_t AsI4() const;
  bool AsBool() const;
  double AsR8() const;
  double AsDate() const;
  const ZipString& AsText() const;
  const std::vector<uint8_t>& AsBytes() const;
  const TRef<TUnknown>& AsObject() const;

  // Bounds of a byte array: 1 and the byte count as handed out, 1 and 0 when empty.
  int32_t LowerBound() const;
  int64_t UpperBound() const;

 private:
  struct TByteArray {
    std::vector<uint8_t> Bytes;
    int32_t LowerBound = 1;
  };

  TVariant(TVarType type, auto value) : FType(type), FValue(std::move(value)) {}
  template <class T>
  const T& Get(TVarType type) const;

  TVarType FType = TVarType::vtEmpty;
  std::variant<std::monostate, int32_t, bool, double, ZipString, TByteArray, TRef<TUnknown>> FValue;
};

}  // namespace vorlanth
