// Reference-counted automation objects: the counted base and the owning reference to one.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "host/guid.h"
#include "host/status.h"

namespace vorlanth {

template <class T>
class TRef;

// An object that lives while references to it are held (IUnknown). It is made with MakeRef
// and freed by the release of its last reference; it answers the interfaces Supports names.
class TUnknown {
 public:
  TUnknown(const TUnknown&) = delete;
  TUnknown& operator=(const TUnknown&) = delete;

  // Both return the new count.
  virtual uint32_t AddRef() noexcept;
  virtual uint32_t Release() noexcept;

  // S_OK with a new reference in *out when the object answers iid; otherwise E_NOINTERFACE
  // with *out cleared; E_POINTER without out.
  HRESULT QueryInterface(const TGUID& iid, TRef<TUnknown>* out);

 protected:
  TUnknown() = default;
  virtual ~TUnknown() = default;

  // Whether the object answers iid; IUnknown is always answered.
  virtual bool Supports(const TGUID& iid) const = 0;

 private:
  std::atomic<uint32_t> FRefCount{0};
};

// Holds one reference to a counted object (or none) and releases it when it goes.
template <class T>
class TRef {
 public:
  TRef() noexcept = default;
  TRef(std::nullptr_t) noexcept {}
  // Takes a further reference to an object that is already referenced or just made.
  explicit TRef(T* object) noexcept : FObject(object) {
    if (FObject != nullptr) FObject->AddRef();
  }
  TRef(const TRef& other) noexcept : TRef(other.FObject) {}
  TRef(TRef&& other) noexcept : FObject(std::exchange(other.FObject, nullptr)) {}
  template <class U>
  requires std::is_convertible_v<U*, T*> TRef(const TRef<U>& other)
  noexcept : TRef(other.Get()) {}
  ~TRef() {
    if (FObject != nullptr) FObject->Release();
  }

  TRef& operator=(TRef other) noexcept {
    std::swap(FObject, other.FObject);
    return *this;
  }

  T* Get() const noexcept { return FObject; }
  T* operator->() const noexcept { return FObject; }
  T& operator*() const noexcept { return *FObject; }
  explicit operator bool() const noexcept { return FObject != nullptr; }
  void Reset() noexcept { *this = TRef(); }

 private:
  T* FObject = nullptr;
};

template <class T, class... Args>
TRef<T> MakeRef(Args&&... args) {
  return TRef<T>(new T(std::forward<Args>(args)...));
}

// The same object seen through a more specific class; empty when it is not one.
template <class T>
TRef<T> RefCast(const TRef<TUnknown>& object) {
  return TRef<T>(dynamic_cast<T*>(object.Get()));
}

}  // namespace vorlanth
