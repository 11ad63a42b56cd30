// A creatable scriptable object: an implementation object of class T reached by name through
// the member table of its dual interface, counted by the module while it lives.
#pragma once

#include <span>
#include <utility>

#include "host/dispatch.h"
#include "host/memberdecl.h"
#include "host/server.h"

namespace vorlanth {

template <class T>
class TAutoObject final : public TDispatch {
 public:
  // Makes T's object; a failure of its construction passes out. errorSource: the class's
  // programmatic identifier.
  TAutoObject(const TInterfaceDecl<T>& decl, ZipString errorSource)
      : TDispatch(decl.Info(), std::move(errorSource)), FDecl(decl) {}

 private:
  void CallEntry(size_t index, std::span<const TVariant> args, TVariant& result) override {
    FDecl.Call(index)(FObject, args, result);
  }

  // Declared first: counted before FObject is made, and uncounted if making it fails.
  TServerObjectCount FCount;
  const TInterfaceDecl<T>& FDecl;
  T FObject;
};

}  // namespace vorlanth
