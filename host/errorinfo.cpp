// Error information of failing members and exceptions for failing callees.
#include "host/errorinfo.h"

#include <cstdio>
#include <new>

namespace vorlanth {

namespace {

ZipString SystemMessage(HRESULT status) {
  if (auto text = StatusText(status)) return TrimDescription(*text);
  char text[32];
  std::snprintf(text, sizeof text, "OLE error %.8X", unsigned(status));
  return FromUtf8(text);
}

}  // namespace

TMemberError CurrentMemberError(const TGUID& iid, const ZipString& source) {
  TMemberError error{E_UNEXPECTED, {iid, source, {}}};
  try {
    throw;
  } catch (const EOleError& failure) {
    if (Failed(failure.ErrorCode())) error.Status = failure.ErrorCode();
    error.Info.Description = failure.Message();
  } catch (const Exception& failure) {
    error.Info.Description = failure.Message();
  } catch (const std::bad_alloc&) {
    error.Info.Description = u"Out of memory";
  } catch (const std::exception& failure) {
    error.Info.Description = FromUtf8(failure.what());
  } catch (...) {
    error.Info.Description = SystemMessage(E_UNEXPECTED);
  }
  return error;
}

EOleError CalleeError(HRESULT status, const TExcepInfo* excepInfo) {
  if (status == DISP_E_EXCEPTION && excepInfo != nullptr) {
    ZipString description = TrimDescription(excepInfo->Description);
    if (description.empty()) description = SystemMessage(excepInfo->Code);
    return EOleError(excepInfo->Code, description, excepInfo->Source);
  }
  return EOleError(status, SystemMessage(status));
}

ZipString TrimDescription(std::u16string_view text) {
  size_t length = text.size();
  while (length > 0 && (text[length - 1] <= u' ' || text[length - 1] == u'.'))
    --length;
  return ZipString(text.substr(0, length));
}

}  // namespace vorlanth
