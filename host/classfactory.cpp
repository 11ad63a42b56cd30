// Object creation by class factories.
#include "host/classfactory.h"

#include "host/server.h"

namespace vorlanth {

TClassFactory::TClassFactory(const TAutoClass& autoClass) : FClass(autoClass) {}

uint32_t TClassFactory::AddRef() noexcept {
  CountFactoryReference(true);
  return ++FReferences;
}

uint32_t TClassFactory::Release() noexcept {
  CountFactoryReference(false);
  return --FReferences;
}

bool TClassFactory::Supports(const TGUID& iid) const {
  return iid == IID_IClassFactory;
}

HRESULT TClassFactory::CreateInstance(TUnknown* outer, const TGUID& iid, TRef<TUnknown>* out) {
  if (out == nullptr) return E_POINTER;
  out->Reset();
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  TRef<TDispatch> object;
  try {
    object = FClass.Create();
  } catch (...) {
    return E_UNEXPECTED;
  }
  return object->QueryInterface(iid, out);
}

HRESULT TClassFactory::LockServer(bool lock) {
  return CountServerLock(lock);
}

}  // namespace vorlanth
