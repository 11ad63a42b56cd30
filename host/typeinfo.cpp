// Name and entry lookup in interface descriptions.
#include "host/typeinfo.h"

namespace vorlanth {

namespace {

bool KindAnswers(TMemberKind kind, uint16_t flags) {
  switch (kind) {
    case TMemberKind::mkMethod:
      return (flags & DISPATCH_METHOD) != 0;
    case TMemberKind::mkPropertyGet:
      return (flags & DISPATCH_PROPERTYGET) != 0;
    case TMemberKind::mkPropertyPut:
      return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  }
  return false;
}

}  // namespace

TDispId TInterfaceInfo::FindName(std::u16string_view name) const {
  for (const TMemberInfo& member : Members) {
    if (EqualsAsciiNoCase(member.Name, name)) return member.DispId;
  }
  return DISPID_UNKNOWN;
}

int32_t TInterfaceInfo::FindEntry(TDispId dispId, uint16_t flags) const {
  for (size_t i = 0; i < Members.size(); ++i) {
    if (Members[i].DispId == dispId && KindAnswers(Members[i].Kind, flags)) return int32_t(i);
  }
  return -1;
}

}  // namespace vorlanth
