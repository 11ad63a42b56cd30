// The module's object, lock and factory-reference counters.
#include "host/server.h"

#include <atomic>
#include <cstdint>

namespace vorlanth {

namespace {

std::atomic<int64_t> ObjectCount{0};
std::atomic<int64_t> LockCount{0};
std::atomic<int64_t> FactoryCount{0};

}  // namespace

TServerObjectCount::TServerObjectCount() {
  ++ObjectCount;
}
TServerObjectCount::~TServerObjectCount() {
  --ObjectCount;
}

void CountFactoryReference(bool added) {
  if (added) {
    ++FactoryCount;
  } else {
    --FactoryCount;
  }
}

HRESULT CountServerLock(bool lock) {
  if (lock) {
    ++LockCount;
    return S_OK;
  }
  int64_t held = LockCount.load();
  do {
    if (held <= 0) return E_UNEXPECTED;
  } while (!LockCount.compare_exchange_weak(held, held - 1));
  return S_OK;
}

HRESULT CanUnloadNow() {
  return ObjectCount > 0 || LockCount > 0 || FactoryCount > 0 ? S_FALSE : S_OK;
}

}  // namespace vorlanth
