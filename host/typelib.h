// The type library's identity and the component's classes and interfaces.
#pragma once

#include <cstdint>
#include <string_view>

#include "host/guid.h"
#include "platform/text.h"

namespace vorlanth {

constexpr TGUID LIBID_Vorlanth = Guid("0A8532D3-2F67-4E58-8519-C5BBCA803D24");
constexpr std::u16string_view kTypeLibName = u"Vorlanth";
constexpr uint16_t kTypeLibMajorVersion = 3;
constexpr uint16_t kTypeLibMinorVersion = 0;
constexpr uint32_t kTypeLibLocale = 1033;

// The dual interfaces.
constexpr TGUID IID_IMakeZip = Guid("B46884C6-D207-412A-A4C1-DF0CE0016D71");
constexpr TGUID IID_IOpenZip = Guid("B6D5E943-D0DE-471F-A79D-56412F5902B1");
constexpr TGUID IID_IFileList = Guid("EF316777-645D-4656-B004-17A895AA37C3");

constexpr TGUID CLSID_MakeZip = Guid("FCC4848A-4D7F-4E85-8928-EB3648C4D140");
constexpr TGUID CLSID_OpenZip = Guid("6FCE539E-41E1-47E3-9102-CCF795B8C165");
constexpr TGUID CLSID_FileList = Guid("6FFCC1CC-B015-4F6B-9DFC-358EAA0DBF2A");

// A class of the library: its identifier, name, description and default interface.
struct TCoClassInfo {
  TGUID ClassId;
  std::u16string_view Name;
  std::u16string_view Description;
  TGUID DefaultInterface;
};

constexpr TCoClassInfo MakeZipCoClass{CLSID_MakeZip, u"MakeZip", u"MakeZip Object", IID_IMakeZip};
constexpr TCoClassInfo OpenZipCoClass{CLSID_OpenZip, u"OpenZip", u"OpenZip Object", IID_IOpenZip};
// Not creatable by scripts: no description and no programmatic identifier.
constexpr TCoClassInfo FileListCoClass{CLSID_FileList, u"FileList", u"", IID_IFileList};

// The library's name, "." and the class's name: "Vorlanth.MakeZip".
ZipString ProgId(const TCoClassInfo& coClass);

}  // namespace vorlanth
