// Programmatic identifiers of the library's classes.
#include "host/typelib.h"

namespace vorlanth {

ZipString ProgId(const TCoClassInfo& coClass) {
  return ZipString(kTypeLibName) + u"." + ZipString(coClass.Name);
}

}  // namespace vorlanth
