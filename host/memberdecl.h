// Member tables generated from C++ methods: each entry's description (name, dispatch
// identifier, kind, order, parameter and result types) and the call that reaches the method.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "host/conversion.h"
#include "host/typeinfo.h"
#include "host/variant.h"

namespace vorlanth {

// Calls the method behind an entry; the arguments already have the declared types.
template <class T>
using TEntryCall = void (*)(T& object, std::span<const TVariant> args, TVariant& result);

template <class T>
struct TMemberDecl {
  TMemberInfo Info;
  TEntryCall<T> Call;
};

// One interface of the implementation class T: its description and the calls of its entries.
template <class T>
class TInterfaceDecl {
 public:
  TInterfaceDecl(std::u16string_view name, const TGUID& iid, std::vector<TMemberDecl<T>> members)
      : FInfo{name, iid, {}} {
    for (TMemberDecl<T>& member : members) {
      FInfo.Members.push_back(std::move(member.Info));
      FCalls.push_back(member.Call);
    }
  }

  const TInterfaceInfo& Info() const { return FInfo; }
  TEntryCall<T> Call(size_t index) const { return FCalls[index]; }

 private:
  TInterfaceInfo FInfo;
  std::vector<TEntryCall<T>> FCalls;
};

namespace detail {

template <class F>
struct TMethodTraits;

template <class C, class R, class... A>
struct TMethodTraits<R (C::*)(A...)> {
  using Class = C;
  using Result = R;
  using Args = std::tuple<A...>;
  static constexpr size_t Arity = sizeof...(A);
  static constexpr bool HasResult = !std::is_void_v<R>;
};

template <class C, class R, class... A>
struct TMethodTraits<R (C::*)(A...) const> : TMethodTraits<R (C::*)(A...)> {};

template <auto Method>
using TraitsOf = TMethodTraits<decltype(Method)>;

template <auto Method>
void CallMethod(typename TraitsOf<Method>::Class& object, std::span<const TVariant> args,
                TVariant& result) {
  using Traits = TraitsOf<Method>;
  [&]<size_t... I>(std::index_sequence<I...>) {
    if constexpr (Traits::HasResult) {
      result = ToVariant((object.*Method)(
          ArgumentValue<std::tuple_element_t<I, typename Traits::Args>>(args[I])...));
    } else {
      (object.*Method)(ArgumentValue<std::tuple_element_t<I, typename Traits::Args>>(args[I])...);
    }
  }
  (std::make_index_sequence<Traits::Arity>());
}

template <auto Method>
TMemberDecl<typename TraitsOf<Method>::Class> Declare(
    std::u16string_view name, TDispId dispId, TMemberKind kind, int32_t order,
    const std::array<std::u16string_view, TraitsOf<Method>::Arity>& paramNames,
    std::u16string_view resultName) {
  using Traits = TraitsOf<Method>;
  std::vector<TParamInfo> params;
  [&]<size_t... I>(std::index_sequence<I...>) {
    (params.push_back(
         {paramNames[I], AutoTypeOf<std::tuple_element_t<I, typename Traits::Args>>()}),
     ...);
  }
  (std::make_index_sequence<Traits::Arity>());
  return {{name, dispId, kind, order, std::move(params), AutoTypeOf<typename Traits::Result>(),
           resultName},
          &CallMethod<Method>};
}

}  // namespace detail

// A method: `names` are its parameters' names, then its result's name when it has a result.
template <auto Method, class... Names>
auto MethodEntry(std::u16string_view name, TDispId dispId, int32_t order, Names... names) {
  using Traits = detail::TraitsOf<Method>;
  static_assert(sizeof...(Names) == Traits::Arity + Traits::HasResult,
                "name every parameter and the result");
  std::array<std::u16string_view, sizeof...(Names)> all{names...};
  std::array<std::u16string_view, Traits::Arity> params{};
  std::copy_n(all.begin(), Traits::Arity, params.begin());
  std::u16string_view resultName;
  if constexpr (Traits::HasResult) resultName = all.back();
  return detail::Declare<Method>(name, dispId, TMemberKind::mkMethod, order, params, resultName);
}

// A property's reading: `names` are its index parameters' names.
template <auto Method, class... Names>
auto PropertyGetEntry(std::u16string_view name, TDispId dispId, int32_t order, Names... names) {
  using Traits = detail::TraitsOf<Method>;
  static_assert(Traits::HasResult, "a property reading has a result");
  static_assert(sizeof...(Names) == Traits::Arity, "name every parameter");
  return detail::Declare<Method>(name, dispId, TMemberKind::mkPropertyGet, order, {names...}, {});
}

// A property's assignment: `names` are its index parameters' names; the value comes last.
template <auto Method, class... Names>
auto PropertyPutEntry(std::u16string_view name, TDispId dispId, int32_t order, Names... names) {
  using Traits = detail::TraitsOf<Method>;
  static_assert(!Traits::HasResult, "a property assignment has no result");
  static_assert(sizeof...(Names) + 1 == Traits::Arity, "name every index parameter");
  return detail::Declare<Method>(name, dispId, TMemberKind::mkPropertyPut, order,
                                 {names..., u"Value"}, {});
}

}  // namespace vorlanth
