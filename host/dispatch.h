// Late-bound calls: the dispatch interface every scriptable object answers.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "host/errorinfo.h"
#include "host/typeinfo.h"
#include "host/unknown.h"
#include "host/variant.h"

namespace vorlanth {

// A scriptable object called by member name (IDispatch and ISupportErrorInfo), driven by the
// description of its dual interface. It answers IUnknown, IDispatch, that interface and
// ISupportErrorInfo.
class TDispatch : public TUnknown {
 public:
  // 1: the object has one interface description.
  uint32_t GetTypeInfoCount() const { return 1; }

  // Index 0 gives the description of the object's dual interface; any other index gives
  // DISP_E_BADINDEX and a cleared *out.
  HRESULT GetTypeInfo(uint32_t index, const TInterfaceInfo** out) const;

  // The dispatch identifier of a member name in any letter case; DISP_E_UNKNOWNNAME and
  // DISPID_UNKNOWN for a name the interface lacks.
  HRESULT GetIDsOfNames(std::u16string_view name, TDispId* dispId) const;

  // Calls a member. `flags` says what is asked (DISPATCH_METHOD, DISPATCH_PROPERTYGET, and
  // for an assignment DISPATCH_PROPERTYPUT and/or DISPATCH_PROPERTYPUTREF); `args` come in the
  // order the script wrote them, an assigned value last. Each argument is converted to its
  // parameter's declared type, and the result is handed back in *result when asked for.
  //   DISP_E_MEMBERNOTFOUND   no member of that identifier answers the flags
  //   DISP_E_BADPARAMCOUNT    more arguments than parameters
  //   DISP_E_PARAMNOTOPTIONAL fewer arguments than parameters
  //   DISP_E_TYPEMISMATCH, DISP_E_OVERFLOW   an argument does not convert; *argErr is its
  //                           index
  //   DISP_E_EXCEPTION        the member failed; *excepInfo holds its status, the class's
  //                           source and the failure's message
  HRESULT Invoke(TDispId dispId, uint16_t flags, std::span<const TVariant> args, TVariant* result,
                 TExcepInfo* excepInfo, uint32_t* argErr);

  // ISupportErrorInfo: S_OK for the interfaces the object answers, S_FALSE for others.
  HRESULT InterfaceSupportsErrorInfo(const TGUID& iid) const;

 protected:
  // errorSource: the class's programmatic identifier, named as the source of its failures.
  TDispatch(const TInterfaceInfo& info, ZipString errorSource);

  bool Supports(const TGUID& iid) const override;

  // Calls entry `index` of the interface description with arguments of its declared types.
  virtual void CallEntry(size_t index, std::span<const TVariant> args, TVariant& result) = 0;

 private:
  const TInterfaceInfo& FInterface;
  ZipString FErrorSource;
};

}  // namespace vorlanth
