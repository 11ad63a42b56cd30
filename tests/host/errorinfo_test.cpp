// The error convention: a member's exception to status and error information, a callee's
// failure to an exception.
#include "host/errorinfo.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "engine/zipformat.h"
#include "host/typelib.h"

namespace vorlanth {
namespace {

template <class E>
TMemberError ErrorOf(const E& failure) {
  try {
    throw failure;
  } catch (...) {
    return CurrentMemberError(IID_IMakeZip, u"Vorlanth.MakeZip");
  }
}

TEST(ErrorInfo, MemberFailuresGiveTheirStatusAndMessage) {
  TMemberError ordinary = ErrorOf(EZipError("Index out of range."));
  EXPECT_EQ(ordinary.Status, E_UNEXPECTED);
  EXPECT_EQ(ordinary.Status, -2147418113);
  EXPECT_EQ(ordinary.Info.Interface, IID_IMakeZip);
  EXPECT_EQ(ordinary.Info.Source, u"Vorlanth.MakeZip");
  EXPECT_EQ(ordinary.Info.Description, u"Index out of range.");

  TMemberError callee = ErrorOf(EOleError(Status(0x80070005), u"Access is denied", u"Response"));
  EXPECT_EQ(callee.Status, Status(0x80070005));
  EXPECT_EQ(callee.Info.Source, u"Vorlanth.MakeZip");
  EXPECT_EQ(callee.Info.Description, u"Access is denied");

  EXPECT_EQ(ErrorOf(EOleError(1, u"not a failure code")).Status, E_UNEXPECTED);
  EXPECT_EQ(ErrorOf(std::runtime_error("run-time")).Info.Description, u"run-time");
  EXPECT_EQ(ErrorOf(std::bad_alloc()).Info.Description, u"Out of memory");
  EXPECT_EQ(ErrorOf(42).Info.Description, u"Catastrophic failure");
}

TEST(ErrorInfo, CalleeFailuresBecomeOleErrors) {
  TExcepInfo info{Status(0x80004005), u"Response object", u"The remote host closed. \r\n.."};
  EOleError fromInfo = CalleeError(DISP_E_EXCEPTION, &info);
  EXPECT_EQ(fromInfo.ErrorCode(), Status(0x80004005));
  EXPECT_STREQ(fromInfo.what(), "The remote host closed");
  EXPECT_EQ(fromInfo.Source(), u"Response object");

  TExcepInfo silent{DISP_E_TYPEMISMATCH, u"", u""};
  EXPECT_STREQ(CalleeError(DISP_E_EXCEPTION, &silent).what(), "Type mismatch");

  EOleError plain = CalleeError(DISP_E_MEMBERNOTFOUND, nullptr);
  EXPECT_EQ(plain.ErrorCode(), DISP_E_MEMBERNOTFOUND);
  EXPECT_STREQ(plain.what(), "Member not found");
  EXPECT_STREQ(CalleeError(Status(0x80001234), nullptr).what(), "OLE error 80001234");
}

}  // namespace
}  // namespace vorlanth
