// MakeZip called late-bound, as a script calls it: created by programmatic identifier, members
// looked up by name and invoked with script values.
#include "host/dispatch.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "host/module.h"
#include "host/typelib.h"
#include "tests/objects/recordingresponse.h"

namespace vorlanth {
namespace {

constexpr uint16_t kCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
constexpr uint16_t kAssign = DISPATCH_PROPERTYPUT;
constexpr uint16_t kAssignWithSet = DISPATCH_PROPERTYPUTREF;

class LateBound : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CreateObject(u"Vorlanth.MakeZip", &FObject), S_OK); }

  TDispId Id(std::u16string_view name) {
    TDispId id = DISPID_UNKNOWN;
    EXPECT_EQ(FObject->GetIDsOfNames(name, &id), S_OK);
    return id;
  }

  // Calls a member by name and returns the status; the result lands in Result.
  HRESULT Call(std::u16string_view name, uint16_t flags, std::initializer_list<TVariant> args) {
    Result = TVariant();
    Exception = TExcepInfo();
    ArgErr = UINT32_MAX;
    std::vector<TVariant> list(args);
    return FObject->Invoke(Id(name), flags, list, &Result, &Exception, &ArgErr);
  }

  TRef<TDispatch> FObject;
  TVariant Result;
  TExcepInfo Exception;
  uint32_t ArgErr = UINT32_MAX;
};

TEST_F(LateBound, NamesAreFoundInAnyLetterCase) {
  TDispId id = 0;
  EXPECT_EQ(FObject->GetIDsOfNames(u"zipadd", &id), S_OK);
  EXPECT_EQ(id, 3);
  EXPECT_EQ(FObject->GetIDsOfNames(u"ZIPFILECOUNT", &id), S_OK);
  EXPECT_EQ(id, 22);
  EXPECT_EQ(FObject->GetIDsOfNames(u"NoSuchMember", &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  // Members of the utilities are not in the table yet.
  EXPECT_EQ(FObject->GetIDsOfNames(u"FileExists", &id), DISP_E_UNKNOWNNAME);
}

TEST_F(LateBound, MethodsAndPropertyReadingsConvertArgumentsAndResults) {
  ASSERT_EQ(Call(u"ZipAdd", kCall, {TVariant::FromText(u"a.txt")}), S_OK);
  EXPECT_EQ(Result.AsI4(), 0);
  ASSERT_EQ(Call(u"ZipAdd", DISPATCH_METHOD, {TVariant::FromI4(12)}), S_OK);
  EXPECT_EQ(Result.AsI4(), 1);
  ASSERT_EQ(Call(u"ZipFileCount", DISPATCH_PROPERTYGET, {}), S_OK);
  EXPECT_EQ(Result.AsI4(), 2);
  ASSERT_EQ(Call(u"ZipFile", kCall, {TVariant::FromText(u"1")}), S_OK);  // text "1" is index 1
  EXPECT_EQ(Result.AsText(), u"12");
  ASSERT_EQ(Call(u"ZipClear", DISPATCH_METHOD, {}), S_OK);
  EXPECT_EQ(Result.Type(), TVarType::vtEmpty);
  ASSERT_EQ(Call(u"SpanDisk", DISPATCH_PROPERTYGET, {}), S_OK);
  EXPECT_EQ(Result.Type(), TVarType::vtBool);
  EXPECT_FALSE(Result.AsBool());
}

TEST_F(LateBound, PropertiesAreAssignedWithOrWithoutSet) {
  ASSERT_EQ(Call(u"DiskSize", kAssign, {TVariant::FromI4(100)}), S_OK);
  ASSERT_EQ(Call(u"DiskSize", DISPATCH_PROPERTYGET, {}), S_OK);
  EXPECT_EQ(Result.AsI4(), 100);
  ASSERT_EQ(Call(u"DiskSize", kAssignWithSet, {TVariant::FromText(u"200")}), S_OK);
  ASSERT_EQ(Call(u"DiskSize", DISPATCH_PROPERTYGET, {}), S_OK);
  EXPECT_EQ(Result.AsI4(), 200);
  ASSERT_EQ(Call(u"KeepPathInfo", kAssign | kAssignWithSet, {TVariant::FromI4(7)}), S_OK);
  ASSERT_EQ(Call(u"KeepPathInfo", DISPATCH_PROPERTYGET, {}), S_OK);
  EXPECT_TRUE(Result.AsBool());
  ASSERT_EQ(Call(u"AltNameAdd", kCall, {TVariant::FromText(u"first")}), S_OK);
  ASSERT_EQ(Call(u"AltName", kAssign, {TVariant::FromI4(0), TVariant::FromText(u"other")}), S_OK);
  ASSERT_EQ(Call(u"AltName", kCall, {TVariant::FromI4(0)}), S_OK);
  EXPECT_EQ(Result.AsText(), u"other");
}

TEST_F(LateBound, CallsTheTableDoesNotHaveGetThePlatformsStatuses) {
  EXPECT_EQ(FObject->Invoke(999, kCall, {}, &Result, &Exception, &ArgErr), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(u"DiskCount", kAssign, {TVariant::FromI4(1)}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(u"ZipClear", kAssign, {TVariant::FromI4(1)}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(u"ZipFileCount", kCall, {TVariant::FromI4(1)}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(u"ZipFile", kCall, {}), DISP_E_PARAMNOTOPTIONAL);
  EXPECT_EQ(Call(u"StreamZipDisk", kCall, {TVariant::FromText(u"a.zip")}), DISP_E_PARAMNOTOPTIONAL);
}

TEST_F(LateBound, ArgumentsThatDoNotConvertNameTheirPosition) {
  EXPECT_EQ(Call(u"ZipFile", kCall, {TVariant::FromText(u"abc")}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(ArgErr, 0u);
  EXPECT_EQ(Call(u"StreamZipDisk", kCall, {TVariant::FromText(u"a.zip"), TVariant::Null()}),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(ArgErr, 1u);
  EXPECT_EQ(Call(u"ZipFile", kCall, {TVariant::FromR8(3e9)}), DISP_E_OVERFLOW);
  EXPECT_EQ(Call(u"ZipAdd", kCall, {TVariant::FromObject(TRef<TUnknown>(FObject))}),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Exception.Code, S_OK);  // no member ran
}

TEST_F(LateBound, AFailingMemberGivesTheStatusSourceAndDescription) {
  ASSERT_EQ(Call(u"ZipFile", kCall, {TVariant::FromI4(3)}), DISP_E_EXCEPTION);
  EXPECT_EQ(Exception.Code, Status(0x8000FFFF));
  EXPECT_EQ(Exception.Code, -2147418113);
  EXPECT_EQ(Exception.Source, u"Vorlanth.MakeZip");
  EXPECT_EQ(Exception.Description, u"Index out of range.");
  ASSERT_EQ(Call(u"ZipData", kCall, {}), S_OK);  // the object is still usable
}

TEST_F(LateBound, ZipDataComesOutAsAByteArrayFromOne) {
  ASSERT_EQ(Call(u"ZipData", DISPATCH_PROPERTYGET, {}), S_OK);
  ASSERT_EQ(Result.Type(), TVarType::vtByteArray);
  EXPECT_EQ(Result.LowerBound(), 1);
  EXPECT_EQ(Result.UpperBound(), 22);
  EXPECT_EQ(Result.AsBytes().size(), 22u);
}

TEST_F(LateBound, StreamingOutsideARequestFailsWithoutEndingTheProcess) {
  ASSERT_EQ(Call(u"StreamZip", kCall, {TVariant::FromText(u"a.zip")}), DISP_E_EXCEPTION);
  EXPECT_EQ(Exception.Code, E_UNEXPECTED);
  EXPECT_EQ(Exception.Description, u"No Response object: this call needs a web request");
}

TEST_F(LateBound, AHostFailurePassesItsStatusOn) {
  testing::RecordingResponse response;
  response.FailAt = 1;  // Content-Disposition
  TObjectContextScope request({nullptr, nullptr, &response});
  ASSERT_EQ(Call(u"StreamZip", kCall, {TVariant::FromText(u"a.zip")}), DISP_E_EXCEPTION);
  EXPECT_EQ(Exception.Code, testing::RecordingResponse::kFailureCode);
  EXPECT_EQ(Exception.Source, u"Vorlanth.MakeZip");
  EXPECT_EQ(Exception.Description, u"The client went away");
  EXPECT_EQ(response.Events, std::vector<std::string>{"ContentType application/x-zip-compressed"});
}

TEST_F(LateBound, TypeInformationAndErrorInformationSupport) {
  EXPECT_EQ(FObject->GetTypeInfoCount(), 1u);
  const TInterfaceInfo* info = nullptr;
  ASSERT_EQ(FObject->GetTypeInfo(0, &info), S_OK);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->Name, u"IMakeZip");
  EXPECT_EQ(info->Iid, IID_IMakeZip);
  EXPECT_EQ(FObject->GetTypeInfo(1, &info), DISP_E_BADINDEX);
  EXPECT_EQ(info, nullptr);

  for (const TGUID& iid : {IID_IMakeZip, IID_IDispatch, IID_IUnknown, IID_ISupportErrorInfo}) {
    EXPECT_EQ(FObject->InterfaceSupportsErrorInfo(iid), S_OK) << ToUtf8(iid.ToString());
  }
  EXPECT_EQ(FObject->InterfaceSupportsErrorInfo(IID_IOpenZip), S_FALSE);

  TRef<TUnknown> other;
  EXPECT_EQ(FObject->QueryInterface(IID_IMakeZip, &other), S_OK);
  EXPECT_EQ(other.Get(), FObject.Get());
  EXPECT_EQ(FObject->QueryInterface(IID_IOpenZip, &other), E_NOINTERFACE);
  EXPECT_FALSE(other);
}

TEST_F(LateBound, TwoObjectsShareNothing) {
  TRef<TDispatch> second;
  ASSERT_EQ(CreateObject(u"vorlanth.makezip", &second), S_OK);
  ASSERT_NE(second.Get(), FObject.Get());
  ASSERT_EQ(Call(u"ZipAdd", kCall, {TVariant::FromText(u"a.txt")}), S_OK);
  TVariant count;
  ASSERT_EQ(second->Invoke(22, DISPATCH_PROPERTYGET, {}, &count, nullptr, nullptr), S_OK);
  EXPECT_EQ(count.AsI4(), 0);
}

}  // namespace
}  // namespace vorlanth
