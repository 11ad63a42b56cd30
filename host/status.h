// Status codes with the values the automation platform gives them, and their texts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vorlanth {

using HRESULT = int32_t;

constexpr HRESULT Status(uint32_t value) {
  return static_cast<HRESULT>(value);
}
constexpr bool Failed(HRESULT status) {
  return status < 0;
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_UNEXPECTED = Status(0x8000FFFF);
constexpr HRESULT E_NOINTERFACE = Status(0x80004002);
constexpr HRESULT E_POINTER = Status(0x80004003);
constexpr HRESULT CLASS_E_NOAGGREGATION = Status(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = Status(0x80040111);
constexpr HRESULT CO_E_CLASSSTRING = Status(0x800401F3);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = Status(0x80020003);
constexpr HRESULT DISP_E_TYPEMISMATCH = Status(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = Status(0x80020006);
constexpr HRESULT DISP_E_EXCEPTION = Status(0x80020009);
constexpr HRESULT DISP_E_OVERFLOW = Status(0x8002000A);
constexpr HRESULT DISP_E_BADINDEX = Status(0x8002000B);
constexpr HRESULT DISP_E_BADPARAMCOUNT = Status(0x8002000E);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = Status(0x8002000F);

// The platform's description of a status, as its message table words it; nullopt for a
// status it has no text for.
std::optional<std::u16string> StatusText(HRESULT status);

}  // namespace vorlanth
