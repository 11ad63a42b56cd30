// The platform's texts for the status codes the frame gives out.
#include "host/status.h"

namespace vorlanth {

std::optional<std::u16string> StatusText(HRESULT status) {
  switch (status) {
    case E_UNEXPECTED:
      return u"Catastrophic failure";
    case E_NOINTERFACE:
      return u"No such interface supported";
    case E_POINTER:
      return u"Invalid pointer";
    case CLASS_E_NOAGGREGATION:
      return u"Class does not support aggregation (or class object is remote)";
    case CLASS_E_CLASSNOTAVAILABLE:
      return u"ClassFactory cannot supply requested class";
    case CO_E_CLASSSTRING:
      return u"Invalid class string";
    case DISP_E_MEMBERNOTFOUND:
      return u"Member not found.";
    case DISP_E_TYPEMISMATCH:
      return u"Type mismatch.";
    case DISP_E_UNKNOWNNAME:
      return u"Unknown name.";
    case DISP_E_EXCEPTION:
      return u"Exception occurred.";
    case DISP_E_OVERFLOW:
      return u"Out of present range.";
    case DISP_E_BADINDEX:
      return u"Invalid index.";
    case DISP_E_BADPARAMCOUNT:
      return u"Invalid number of parameters.";
    case DISP_E_PARAMNOTOPTIONAL:
      return u"Parameter not optional.";
    default:
      return std::nullopt;
  }
}

}  // namespace vorlanth
