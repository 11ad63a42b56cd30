// The library's identity and IMakeZip's member table.
#include "host/typelib.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/imakezip.h"

namespace vorlanth {
namespace {

TEST(TypeLibrary, IdentifiersAndProgrammaticIdentifiers) {
  EXPECT_EQ(LIBID_Vorlanth.ToString(), u"{0A8532D3-2F67-4E58-8519-C5BBCA803D24}");
  EXPECT_EQ(CLSID_MakeZip.ToString(), u"{FCC4848A-4D7F-4E85-8928-EB3648C4D140}");
  EXPECT_EQ(IID_IFileList.ToString(), u"{EF316777-645D-4656-B004-17A895AA37C3}");
  EXPECT_EQ(kTypeLibMajorVersion, 3);
  EXPECT_EQ(kTypeLibMinorVersion, 0);
  EXPECT_EQ(ProgId(MakeZipCoClass), u"Vorlanth.MakeZip");
  EXPECT_EQ(ProgId(OpenZipCoClass), u"Vorlanth.OpenZip");
  EXPECT_EQ(MakeZipCoClass.Description, u"MakeZip Object");
}

struct Entry {
  const char16_t* Name;
  TMemberKind Kind;
  TDispId DispId;
  int32_t Order;
  std::vector<std::pair<const char16_t*, TAutoType>> Params;
  TAutoType Result;
};

TEST(TypeLibrary, IMakeZipHasTheArchiveMembersInTableOrder) {
  using K = TMemberKind;
  using A = TAutoType;
  const auto I4 = A::atI4, Text = A::atBStr, Bool = A::atBool, None = A::atVoid;
  const std::vector<Entry> expected = {
      {u"ZipFileCount", K::mkPropertyGet, 22, 24, {}, I4},
      {u"ZipClear", K::mkMethod, 24, 25, {}, None},
      {u"ZipFile", K::mkPropertyGet, 25, 26, {{u"Index", I4}}, Text},
      {u"ZipFile", K::mkPropertyPut, 25, 27, {{u"Index", I4}, {u"Value", Text}}, None},
      {u"ZipDelete", K::mkMethod, 26, 28, {{u"Index", I4}}, None},
      {u"SpanDisk", K::mkPropertyGet, 27, 29, {}, Bool},
      {u"SpanDisk", K::mkPropertyPut, 27, 30, {{u"Value", Bool}}, None},
      {u"DiskSize", K::mkPropertyGet, 28, 31, {}, I4},
      {u"DiskSize", K::mkPropertyPut, 28, 32, {{u"Value", I4}}, None},
      {u"DiskCount", K::mkPropertyGet, 29, 33, {}, I4},
      {u"SaveZip", K::mkMethod, 30, 34, {{u"FileName", Text}}, None},
      {u"StreamZip", K::mkMethod, 32, 35, {{u"Name", Text}}, None},
      {u"StreamZipDisk", K::mkMethod, 33, 36, {{u"Name", Text}, {u"DiskNo", I4}}, None},
      {u"ZipData", K::mkPropertyGet, 34, 37, {}, A::atVariant},
      {u"ZipDiskData", K::mkPropertyGet, 35, 38, {{u"DiskNo", I4}}, A::atVariant},
      {u"KeepPathInfo", K::mkPropertyGet, 31, 39, {}, Bool},
      {u"KeepPathInfo", K::mkPropertyPut, 31, 40, {{u"Value", Bool}}, None},
      {u"ZipAdd", K::mkMethod, 3, 46, {{u"FileName", Text}}, I4},
      {u"PathRoot", K::mkPropertyGet, 23, 47, {}, Text},
      {u"PathRoot", K::mkPropertyPut, 23, 48, {{u"Value", Text}}, None},
      {u"SplitArchive", K::mkPropertyGet, 40, 49, {}, Bool},
      {u"SplitArchive", K::mkPropertyPut, 40, 50, {{u"Value", Bool}}, None},
      {u"SaveZipDisk", K::mkMethod, 41, 51, {{u"Name", Text}, {u"DiskNo", I4}}, None},
      {u"AltNameCount", K::mkPropertyGet, 42, 52, {}, I4},
      {u"AltNameClear", K::mkMethod, 43, 53, {}, None},
      {u"AltName", K::mkPropertyGet, 44, 54, {{u"Index", I4}}, Text},
      {u"AltName", K::mkPropertyPut, 44, 55, {{u"Index", I4}, {u"Value", Text}}, None},
      {u"AltNameDelete", K::mkMethod, 45, 56, {{u"Index", I4}}, None},
      {u"AltNameAdd", K::mkMethod, 46, 57, {{u"AltFileName", Text}}, I4},
      {u"TempFileName", K::mkPropertyGet, 50, 62, {}, Text},
      {u"TempFileName", K::mkPropertyPut, 50, 63, {{u"Value", Text}}, None},
      {u"ZipAddDirectory", K::mkMethod, 47, 64, {{u"Path", Text}}, I4},
  };
  const TInterfaceInfo& info = IMakeZipDecl().Info();
  EXPECT_EQ(info.Name, u"IMakeZip");
  EXPECT_EQ(info.Iid, IID_IMakeZip);
  ASSERT_EQ(info.Members.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const TMemberInfo& member = info.Members[i];
    SCOPED_TRACE(ToUtf8(member.Name));
    EXPECT_EQ(member.Name, expected[i].Name);
    EXPECT_EQ(member.Kind, expected[i].Kind);
    EXPECT_EQ(member.DispId, expected[i].DispId);
    EXPECT_EQ(member.Order, expected[i].Order);
    EXPECT_EQ(member.Result, expected[i].Result);
    ASSERT_EQ(member.Params.size(), expected[i].Params.size());
    for (size_t p = 0; p < member.Params.size(); ++p) {
      EXPECT_EQ(member.Params[p].Name, expected[i].Params[p].first);
      EXPECT_EQ(member.Params[p].Type, expected[i].Params[p].second);
    }
  }
  EXPECT_EQ(info.Members[17].ResultName, u"Index");
  EXPECT_EQ(info.Members[31].ResultName, u"Value");
}

TEST(TypeLibrary, EntriesAreFoundByIdentifierAndKind) {
  const TInterfaceInfo& info = IMakeZipDecl().Info();
  EXPECT_EQ(info.FindEntry(25, DISPATCH_PROPERTYGET), 2);
  EXPECT_EQ(info.FindEntry(25, DISPATCH_PROPERTYPUT), 3);
  EXPECT_EQ(info.FindEntry(25, DISPATCH_PROPERTYPUTREF), 3);
  EXPECT_EQ(info.FindEntry(24, DISPATCH_PROPERTYGET), -1);  // a method is not read
  EXPECT_EQ(info.FindEntry(24, DISPATCH_METHOD), 1);
  EXPECT_EQ(info.FindName(u"altnameadd"), 46);
}

}  // namespace
}  // namespace vorlanth
