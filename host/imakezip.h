// The MakeZip class: its dual interface IMakeZip bound to TMakeZip's methods.
#pragma once

#include "host/classfactory.h"
#include "host/memberdecl.h"
#include "objects/makezip.h"

namespace vorlanth {

// IMakeZip's members with their dispatch identifiers, kinds, table places and types.
const TInterfaceDecl<TMakeZip>& IMakeZipDecl();

// What MakeZip's factory makes: a TMakeZip reached through IMakeZip, failing with the source
// "Vorlanth.MakeZip".
const TAutoClass& MakeZipClass();

}  // namespace vorlanth
