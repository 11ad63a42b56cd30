// The module's class factories, made when the module is loaded, and its entry points.
#include "host/module.h"

#include <memory>
#include <vector>

#include "host/classfactory.h"
#include "host/imakezip.h"

namespace vorlanth {

namespace {

using TFactoryList = std::vector<std::unique_ptr<TClassFactory>>;

TFactoryList MakeFactories() {
  TFactoryList factories;
  factories.push_back(std::make_unique<TClassFactory>(MakeZipClass()));
  return factories;
}

const TFactoryList Factories = MakeFactories();

TClassFactory* FindFactory(const TGUID& clsid) {
  for (const auto& factory : Factories) {
    if (factory->CoClass().ClassId == clsid) return factory.get();
  }
  return nullptr;
}

}  // namespace

HRESULT GetClassObject(const TGUID& clsid, const TGUID& iid, TRef<TUnknown>* out) {
  if (out == nullptr) return E_POINTER;
  TClassFactory* factory = FindFactory(clsid);
  if (factory == nullptr) {
    out->Reset();
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  return factory->QueryInterface(iid, out);
}

HRESULT ClassIdFromProgId(std::u16string_view progId, TGUID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  for (const auto& factory : Factories) {
    if (EqualsAsciiNoCase(ProgId(factory->CoClass()), progId)) {
      *clsid = factory->CoClass().ClassId;
      return S_OK;
    }
  }
  return CO_E_CLASSSTRING;
}

HRESULT CreateObject(std::u16string_view progId, TRef<TDispatch>* out) {
  if (out == nullptr) return E_POINTER;
  out->Reset();
  TGUID clsid;
  HRESULT status = ClassIdFromProgId(progId, &clsid);
  if (Failed(status)) return status;
  TRef<TUnknown> object;
  status = FindFactory(clsid)->CreateInstance(nullptr, IID_IDispatch, &object);
  if (Failed(status)) return status;
  *out = RefCast<TDispatch>(object);
  return S_OK;
}

}  // namespace vorlanth
