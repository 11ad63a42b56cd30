// Name lookup, argument conversion and the error convention of late-bound calls.
#include "host/dispatch.h"

#include <utility>
#include <vector>

namespace vorlanth {

TDispatch::TDispatch(const TInterfaceInfo& info, ZipString errorSource)
    : FInterface(info), FErrorSource(std::move(errorSource)) {}

bool TDispatch::Supports(const TGUID& iid) const {
  return iid == IID_IDispatch || iid == FInterface.Iid || iid == IID_ISupportErrorInfo;
}

HRESULT TDispatch::GetTypeInfo(uint32_t index, const TInterfaceInfo** out) const {
  if (out == nullptr) return E_POINTER;
  if (index != 0) {
    *out = nullptr;
    return DISP_E_BADINDEX;
  }
  *out = &FInterface;
  return S_OK;
}

HRESULT TDispatch::GetIDsOfNames(std::u16string_view name, TDispId* dispId) const {
  if (dispId == nullptr) return E_POINTER;
  *dispId = FInterface.FindName(name);
  return *dispId == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT TDispatch::Invoke(TDispId dispId, uint16_t flags, std::span<const TVariant> args,
                          TVariant* result, TExcepInfo* excepInfo, uint32_t* argErr) {
  int32_t entry = FInterface.FindEntry(dispId, flags);
  if (entry < 0) return DISP_E_MEMBERNOTFOUND;
  const TMemberInfo& member = FInterface.Members[size_t(entry)];
  if (args.size() > member.Params.size()) return DISP_E_BADPARAMCOUNT;
  if (args.size() < member.Params.size()) return DISP_E_PARAMNOTOPTIONAL;

  TVariant value;
  try {
    std::vector<TVariant> converted;
    converted.reserve(args.size());
    for (size_t i = 0; i < args.size(); ++i) {
      try {
        converted.push_back(CoerceArgument(args[i], member.Params[i].Type));
      } catch (const EVariantError& error) {
        if (argErr != nullptr) *argErr = uint32_t(i);
        return error.Status();
      }
    }
    CallEntry(size_t(entry), converted, value);
  } catch (...) {
    TMemberError error = CurrentMemberError(FInterface.Iid, FErrorSource);
    if (excepInfo != nullptr) {
      *excepInfo = {error.Status, error.Info.Source, error.Info.Description};
    }
    return DISP_E_EXCEPTION;
  }
  if (result != nullptr) *result = std::move(value);
  return S_OK;
}

HRESULT TDispatch::InterfaceSupportsErrorInfo(const TGUID& iid) const {
  return iid == IID_IUnknown || Supports(iid) ? S_OK : S_FALSE;
}

}  // namespace vorlanth
