// The error convention: how a failing member's exception becomes its status and error
// information, and how a failed call into another automation object becomes an exception.
#pragma once

#include <string_view>

#include "host/guid.h"
#include "host/status.h"
#include "platform/errors.h"
#include "platform/text.h"

namespace vorlanth {

// The error information a failing member leaves: the interface it belongs to, the class's
// programmatic identifier (empty for objects without one) and the failure's message.
struct TErrorInfo {
  TGUID Interface;
  ZipString Source;
  ZipString Description;
};

// What Invoke gives its caller with DISP_E_EXCEPTION: the member's status, source and
// description.
struct TExcepInfo {
  HRESULT Code = S_OK;
  ZipString Source;
  ZipString Description;
};

struct TMemberError {
  HRESULT Status;
  TErrorInfo Info;
};

// Only inside a catch block: the status and error information for the exception in flight.
// The status is an EOleError's own code when that is negative, E_UNEXPECTED otherwise; the
// description is the exception's message.
TMemberError CurrentMemberError(const TGUID& iid, const ZipString& source);

// The exception for a failed call into another automation object. With DISP_E_EXCEPTION and
// the callee's exception information it carries the callee's code, source and description;
// otherwise the status and the platform's text for it, or "OLE error 8000FFFF" when there is
// none. Trailing blanks, control characters and periods are removed from the description.
EOleError CalleeError(HRESULT status, const TExcepInfo* excepInfo);

// The text without its trailing blanks, control characters and periods.
ZipString TrimDescription(std::u16string_view text);

}  // namespace vorlanth
