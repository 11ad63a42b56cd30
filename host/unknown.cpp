// Reference counting and interface queries of counted objects.
#include "host/unknown.h"

namespace vorlanth {

uint32_t TUnknown::AddRef() noexcept {
  return ++FRefCount;
}

uint32_t TUnknown::Release() noexcept {
  uint32_t count = --FRefCount;
  if (count == 0) delete this;
  return count;
}

HRESULT TUnknown::QueryInterface(const TGUID& iid, TRef<TUnknown>* out) {
  if (out == nullptr) return E_POINTER;
  if (iid != IID_IUnknown && !Supports(iid)) {
    out->Reset();
    return E_NOINTERFACE;
  }
  *out = TRef<TUnknown>(this);
  return S_OK;
}

}  // namespace vorlanth
