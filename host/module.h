// The component's entry points: its class objects, creation by programmatic identifier and
// whether it may be unloaded. There is no registration: the classes are known from the start.
#pragma once

#include <string_view>

#include "host/dispatch.h"
#include "host/guid.h"
#include "host/server.h"  // CanUnloadNow
#include "host/unknown.h"

namespace vorlanth {

// The factory of a class, as interface iid (IUnknown or IClassFactory) in *out: S_OK, or
// E_NOINTERFACE for another interface. CLASS_E_CLASSNOTAVAILABLE with *out cleared for a class
// without a factory (FileList's, an unknown identifier); E_POINTER without out.
HRESULT GetClassObject(const TGUID& clsid, const TGUID& iid, TRef<TUnknown>* out);

// The class identifier of a programmatic identifier in any letter case ("Vorlanth.MakeZip");
// CO_E_CLASSSTRING for one no factory has.
HRESULT ClassIdFromProgId(std::u16string_view progId, TGUID* clsid);

// A new object of the class named by a programmatic identifier, as its dispatch interface:
// S_OK, CO_E_CLASSSTRING for an unknown name, or the factory's status.
HRESULT CreateObject(std::u16string_view progId, TRef<TDispatch>* out);

}  // namespace vorlanth
