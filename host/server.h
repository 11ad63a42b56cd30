// The module's counters behind CanUnloadNow: live objects, server locks and references held
// to the class factories, each changed atomically.
#pragma once

#include "host/status.h"

namespace vorlanth {

// Counts one live creatable object for its own life.
class TServerObjectCount {
 public:
  TServerObjectCount();
  ~TServerObjectCount();
  TServerObjectCount(const TServerObjectCount&) = delete;
  TServerObjectCount& operator=(const TServerObjectCount&) = delete;
};

void CountFactoryReference(bool added);

// Takes or gives back a server lock; giving back a lock nobody holds is refused with
// E_UNEXPECTED and changes nothing.
HRESULT CountServerLock(bool lock);

// S_FALSE while any object, lock or factory reference is counted, else S_OK.
HRESULT CanUnloadNow();

}  // namespace vorlanth
