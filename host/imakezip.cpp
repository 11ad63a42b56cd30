// IMakeZip's member table and the making of MakeZip objects.
#include "host/imakezip.h"

#include "host/autoobject.h"
#include "host/typelib.h"

namespace vorlanth {

const TInterfaceDecl<TMakeZip>& IMakeZipDecl() {
  using T = TMakeZip;
  static const TInterfaceDecl<TMakeZip> decl(
      u"IMakeZip", IID_IMakeZip,
      {
          PropertyGetEntry<&T::ZipFileCount>(u"ZipFileCount", 22, 24),
          MethodEntry<&T::ZipClear>(u"ZipClear", 24, 25),
          PropertyGetEntry<&T::ZipFile>(u"ZipFile", 25, 26, u"Index"),
          PropertyPutEntry<&T::SetZipFile>(u"ZipFile", 25, 27, u"Index"),
          MethodEntry<&T::ZipDelete>(u"ZipDelete", 26, 28, u"Index"),
          PropertyGetEntry<&T::SpanDisk>(u"SpanDisk", 27, 29),
          PropertyPutEntry<&T::SetSpanDisk>(u"SpanDisk", 27, 30),
          PropertyGetEntry<&T::DiskSize>(u"DiskSize", 28, 31),
          PropertyPutEntry<&T::SetDiskSize>(u"DiskSize", 28, 32),
          PropertyGetEntry<&T::DiskCount>(u"DiskCount", 29, 33),
          MethodEntry<&T::SaveZip>(u"SaveZip", 30, 34, u"FileName"),
          MethodEntry<&T::StreamZip>(u"StreamZip", 32, 35, u"Name"),
          MethodEntry<&T::StreamZipDisk>(u"StreamZipDisk", 33, 36, u"Name", u"DiskNo"),
          PropertyGetEntry<&T::ZipData>(u"ZipData", 34, 37),
          PropertyGetEntry<&T::ZipDiskData>(u"ZipDiskData", 35, 38, u"DiskNo"),
          PropertyGetEntry<&T::KeepPathInfo>(u"KeepPathInfo", 31, 39),
          PropertyPutEntry<&T::SetKeepPathInfo>(u"KeepPathInfo", 31, 40),
          MethodEntry<&T::ZipAdd>(u"ZipAdd", 3, 46, u"FileName", u"Index"),
          PropertyGetEntry<&T::PathRoot>(u"PathRoot", 23, 47),
          PropertyPutEntry<&T::SetPathRoot>(u"PathRoot", 23, 48),
          PropertyGetEntry<&T::SplitArchive>(u"SplitArchive", 40, 49),
          PropertyPutEntry<&T::SetSplitArchive>(u"SplitArchive", 40, 50),
          MethodEntry<&T::SaveZipDisk>(u"SaveZipDisk", 41, 51, u"Name", u"DiskNo"),
          PropertyGetEntry<&T::AltNameCount>(u"AltNameCount", 42, 52),
          MethodEntry<&T::AltNameClear>(u"AltNameClear", 43, 53),
          PropertyGetEntry<&T::AltName>(u"AltName", 44, 54, u"Index"),
          PropertyPutEntry<&T::SetAltName>(u"AltName", 44, 55, u"Index"),
          MethodEntry<&T::AltNameDelete>(u"AltNameDelete", 45, 56, u"Index"),
          MethodEntry<&T::AltNameAdd>(u"AltNameAdd", 46, 57, u"AltFileName", u"Index"),
          PropertyGetEntry<&T::TempFileName>(u"TempFileName", 50, 62),
          PropertyPutEntry<&T::SetTempFileName>(u"TempFileName", 50, 63),
          MethodEntry<&T::ZipAddDirectory>(u"ZipAddDirectory", 47, 64, u"Path", u"Value"),
      });
  return decl;
}

namespace {

TRef<TDispatch> CreateMakeZip() {
  return MakeRef<TAutoObject<TMakeZip>>(IMakeZipDecl(), ProgId(MakeZipCoClass));
}

}  // namespace

const TAutoClass& MakeZipClass() {
  static const TAutoClass autoClass{MakeZipCoClass, &CreateMakeZip};
  return autoClass;
}

}  // namespace vorlanth
