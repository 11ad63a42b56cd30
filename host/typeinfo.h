// Descriptions of automation interfaces: their members, dispatch identifiers and types.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "host/conversion.h"
#include "host/guid.h"

namespace vorlanth {

using TDispId = int32_t;
constexpr TDispId DISPID_UNKNOWN = -1;

// What a call asks for; a script's property assignment sets both assignment flags.
constexpr uint16_t DISPATCH_METHOD = 1;
constexpr uint16_t DISPATCH_PROPERTYGET = 2;
constexpr uint16_t DISPATCH_PROPERTYPUT = 4;
constexpr uint16_t DISPATCH_PROPERTYPUTREF = 8;

// Kinds of member, numbered as the platform numbers them.
enum class TMemberKind : uint16_t {
  mkMethod = 1,
  mkPropertyGet = 2,
  mkPropertyPut = 4,
};

struct TParamInfo {
  std::u16string_view Name;
  TAutoType Type;
};

// One entry of an interface's table. A property's reading and its assignment are two entries
// with the same name and dispatch identifier; an assignment's last parameter is the value.
struct TMemberInfo {
  std::u16string_view Name;
  TDispId DispId;
  TMemberKind Kind;
  // Place in the interface's table, counted from 1 after the entries of IDispatch.
  int32_t Order;
  std::vector<TParamInfo> Params;
  TAutoType Result;
  // A method's named result ("Index"); empty otherwise.
  std::u16string_view ResultName;
};

// A dual interface (dual, OLE-automation and dispatchable) and the members it implements.
struct TInterfaceInfo {
  std::u16string_view Name;
  TGUID Iid;
  std::vector<TMemberInfo> Members;

  // The dispatch identifier of a member name, compared without regard to letter case;
  // DISPID_UNKNOWN when no member has the name.
  TDispId FindName(std::u16string_view name) const;
  // Index in Members of the entry with this identifier that the dispatch flags ask for
  // (method, reading, or assignment with or without Set); -1 when there is none.
  int32_t FindEntry(TDispId dispId, uint16_t flags) const;
};

}  // namespace vorlanth
