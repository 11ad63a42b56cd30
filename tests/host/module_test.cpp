// The class objects, creation through factories, and when the module may be unloaded.
#include "host/module.h"

#include <gtest/gtest.h>

#include "host/classfactory.h"
#include "host/typelib.h"

namespace vorlanth {
namespace {

TRef<TClassFactory> MakeZipFactory() {
  TRef<TUnknown> object;
  EXPECT_EQ(GetClassObject(CLSID_MakeZip, IID_IClassFactory, &object), S_OK);
  return RefCast<TClassFactory>(object);
}

TEST(ClassObjects, OnlyMakeZipHasAFactoryForNow) {
  TRef<TUnknown> object;
  EXPECT_EQ(GetClassObject(CLSID_MakeZip, IID_IUnknown, &object), S_OK);
  EXPECT_TRUE(object);
  EXPECT_EQ(GetClassObject(CLSID_MakeZip, IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_FALSE(object);
  for (const TGUID& clsid : {CLSID_FileList, CLSID_OpenZip, IID_IMakeZip, TGUID()}) {
    SCOPED_TRACE(ToUtf8(clsid.ToString()));
    object = MakeZipFactory();
    EXPECT_EQ(GetClassObject(clsid, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_FALSE(object);
  }
  EXPECT_EQ(GetClassObject(CLSID_MakeZip, IID_IClassFactory, nullptr), E_POINTER);
}

TEST(ClassObjects, ProgrammaticIdentifiers) {
  TGUID clsid;
  EXPECT_EQ(ClassIdFromProgId(u"VORLANTH.MAKEZIP", &clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_MakeZip);
  TRef<TDispatch> object;
  EXPECT_EQ(CreateObject(u"Vorlanth.OpenZip", &object), CO_E_CLASSSTRING);
  EXPECT_EQ(CreateObject(u"Vorlanth.FileList", &object), CO_E_CLASSSTRING);
  EXPECT_EQ(CreateObject(u"MakeZip", &object), CO_E_CLASSSTRING);
  EXPECT_FALSE(object);
}

TEST(ClassObjects, CreateInstanceChecksItsArguments) {
  TRef<TClassFactory> factory = MakeZipFactory();
  ASSERT_TRUE(factory);
  TRef<TUnknown> object;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IMakeZip, nullptr), E_POINTER);
  EXPECT_EQ(factory->CreateInstance(factory.Get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(factory.Get(), IID_IDispatch, &object), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IOpenZip, &object), E_NOINTERFACE);
  EXPECT_FALSE(object);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IMakeZip, &object), S_OK);
  TRef<TUnknown> second;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IMakeZip, &second), S_OK);
  EXPECT_NE(object.Get(), second.Get());  // multi-instance
}

TEST(CanUnload, OnlyWhenNoObjectFactoryReferenceOrLockIsLeft) {
  ASSERT_EQ(CanUnloadNow(), S_OK);
  {
    TRef<TDispatch> object;
    ASSERT_EQ(CreateObject(u"Vorlanth.MakeZip", &object), S_OK);
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    TRef<TDispatch> copy = object;
    object.Reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE);  // still referenced
  }
  EXPECT_EQ(CanUnloadNow(), S_OK);
  {
    TRef<TClassFactory> factory = MakeZipFactory();
    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(true), S_OK);
    factory.Reset();
    EXPECT_EQ(CanUnloadNow(), S_FALSE);  // the lock holds it
    EXPECT_EQ(MakeZipFactory()->LockServer(false), S_OK);
  }
  EXPECT_EQ(CanUnloadNow(), S_OK);
  EXPECT_EQ(MakeZipFactory()->LockServer(false), E_UNEXPECTED);  // no lock to give back
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace vorlanth
