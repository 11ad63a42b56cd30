// The calling thread's request context and the host-object access of TASPMTSObject.
#include "objects/aspobject.h"

#include <string>

namespace vorlanth {

namespace {

thread_local TObjectContext CurrentContext;

template <class T>
T& Required(T* object, const char* name) {
  if (object == nullptr) {
    throw EHostObjectMissing(std::string("No ") + name + " object: this call needs a web request");
  }
  return *object;
}

}  // namespace

TObjectContextScope::TObjectContextScope(const TObjectContext& context)
    : FPrevious(CurrentContext) {
  CurrentContext = context;
}

TObjectContextScope::~TObjectContextScope() {
  CurrentContext = FPrevious;
}

IServer& TASPMTSObject::Server() const {
  return Required(CurrentContext.Server, "Server");
}

IRequest& TASPMTSObject::Request() const {
  return Required(CurrentContext.Request, "Request");
}

IResponse& TASPMTSObject::Response() const {
  return Required(CurrentContext.Response, "Response");
}

}  // namespace vorlanth
