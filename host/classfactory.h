// Class factories: each makes new objects of one creatable class.
#pragma once

#include <atomic>
#include <cstdint>

#include "host/dispatch.h"
#include "host/typelib.h"
#include "host/unknown.h"

namespace vorlanth {

// What a factory needs of its class: the class's description and how to make one object.
struct TAutoClass {
  const TCoClassInfo& CoClass;
  // Makes and initialises a new object; fails by throwing.
  TRef<TDispatch> (*Create)();
};

// IClassFactory for one class, multi-instance: every creation gives a new, independent
// object. The module owns its factories; references handed out only count toward
// CanUnloadNow and never free the factory.
class TClassFactory final : public TUnknown {
 public:
  explicit TClassFactory(const TAutoClass& autoClass);
  ~TClassFactory() override = default;

  uint32_t AddRef() noexcept override;
  uint32_t Release() noexcept override;

  // A new object's interface iid in *out (S_OK), or:
  //   E_POINTER               without out
  //   CLASS_E_NOAGGREGATION   an outer object is given (the objects cannot be aggregated)
  //   E_UNEXPECTED            making the object failed
  //   E_NOINTERFACE           the object does not answer iid (it is freed again)
  HRESULT CreateInstance(TUnknown* outer, const TGUID& iid, TRef<TUnknown>* out);

  // Locks the module in memory, or gives one lock back (E_UNEXPECTED when none is held).
  HRESULT LockServer(bool lock);

  const TCoClassInfo& CoClass() const { return FClass.CoClass; }

 protected:
  bool Supports(const TGUID& iid) const override;

 private:
  TAutoClass FClass;
  std::atomic<uint32_t> FReferences{0};
};

}  // namespace vorlanth
