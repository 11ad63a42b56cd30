// The text form of identifiers.
#include "host/guid.h"

#include <cstdio>

#include "platform/text.h"

namespace vorlanth {

std::u16string TGUID::ToString() const {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                unsigned(Data1), unsigned(Data2), unsigned(Data3), Data4[0], Data4[1], Data4[2],
                Data4[3], Data4[4], Data4[5], Data4[6], Data4[7]);
  return FromUtf8(text);
}

}  // namespace vorlanth
