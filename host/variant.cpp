// Construction of script values and typed access to them.
#include "host/variant.h"

#include "platform/errors.h"

namespace vorlanth {

TVariant TVariant::Null() {
  return TVariant(TVarType::vtNull, std::monostate());
}
TVariant TVariant::FromI4(int32_t value) {
  return TVariant(TVarType::vtI4, value);
}
TVariant TVariant::FromBool(bool value) {
  return TVariant(TVarType::vtBool, value);
}
TVariant TVariant::FromR8(double value) {
  return TVariant(TVarType::vtR8, value);
}
TVariant TVariant::FromDate(double days) {
  return TVariant(TVarType::vtDate, days);
}
TVariant TVariant::FromText(ZipString text) {
  return TVariant(TVarType::vtBStr, std::move(text));
}

TVariant TVariant::FromBytes(std::vector<uint8_t> bytes, int32_t lowerBound) {
  return TVariant(TVarType::vtByteArray, TByteArray{std::move(bytes), lowerBound});
}

TVariant TVariant::FromObject(TRef<TUnknown> object) {
  return TVariant(TVarType::vtDispatch, std::move(object));
}

template <class T>
const T& TVariant::Get(TVarType type) const {
  if (FType != type) throw EAssertionFailed("The variant does not hold a value of that kind");
  return std::get<T>(FValue);
}

int32_t TVariant::AsI4() const {
  return Get<int32_t>(TVarType::vtI4);
}
bool TVariant::AsBool() const {
  return Get<bool>(TVarType::vtBool);
}
double TVariant::AsR8() const {
  return Get<double>(TVarType::vtR8);
}
double TVariant::AsDate() const {
  return Get<double>(TVarType::vtDate);
}
const ZipString& TVariant::AsText() const {
  return Get<ZipString>(TVarType::vtBStr);
}

const std::vector<uint8_t>& TVariant::AsBytes() const {
  return Get<TByteArray>(TVarType::vtByteArray).Bytes;
}

const TRef<TUnknown>& TVariant::AsObject() const {
  return Get<TRef<TUnknown>>(TVarType::vtDispatch);
}

int32_t TVariant::LowerBound() const {
  return Get<TByteArray>(TVarType::vtByteArray).LowerBound;
}

int64_t TVariant::UpperBound() const {
  const TByteArray& array = Get<TByteArray>(TVarType::vtByteArray);
  return int64_t(array.LowerBound) + int64_t(array.Bytes.size()) - 1;
}

}  // namespace vorlanth
