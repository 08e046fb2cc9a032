// The type library is what the engine embeds and registers: the marshaller
// builds its proxies from it, so every operation must sit at its agreed slot.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <iterator>
#include <string>

#include "EngineClasses.h"
#include "EngineContract.h"

namespace {

struct SlotCase {
  const IID* iid;
  const wchar_t* op;
  int slot;
  int params;
};

const SlotCase kSlots[] = {
    {&IID_IQVService, L"GetDataFolder", 5, 1},
    {&IID_IQVService, L"GetServiceConfig", 9, 1},
    {&IID_IQVService, L"SetServiceConfig", 10, 1},
    {&IID_IQVService, L"Ping", 12, 1},
    {&IID_IQVService, L"GetConfigDocument", 14, 2},
    {&IID_IQVService, L"SetConfigDocument", 15, 2},
    {&IID_IQVActiveProtection, L"GetAPConfig", 4, 1},
    {&IID_IQVActiveProtection, L"SetAPConfig", 5, 1},
    {&IID_IQVScanControl, L"StartScan", 3, 1},
    {&IID_IQVScanControl, L"GetScanResultsFile", 7, 1},
    {&IID_IQVScanControl, L"PauseScan", 8, 0},
    {&IID_IQVScanControl, L"ResumeScan", 9, 0},
    {&IID_IQVScanControl, L"StopScan", 10, 0},
    {&IID_IQVScanControl, L"CleanThreats", 11, 1},
    {&IID_IQVScanControl, L"GetScanState", 12, 2},
    {&IID_IQVScanControl, L"GetScanConfig", 15, 1},
    {&IID_IQVScanControl, L"SetScanConfig", 16, 1},
    {&IID_IQVScanControl, L"GetScanInfo", 19, 2},
    {&IID_IQVScanControl, L"ResetScan", 20, 0},
    {&IID_IQVScanControl, L"GetLastScan", 21, 2},
    {&IID_IQVQuarantine, L"RestoreItem", 3, 4},
    {&IID_IQVQuarantine, L"DeleteItem", 4, 1},
    {&IID_IQVThreatDefinitions, L"GetDefinitionsStatus", 3, 2},
    {&IID_IQVThreatDefinitions, L"UpdateDefinitions", 6, 0},
    {&IID_IQVThreatDefinitions, L"GetThreatInfo", 10, 15},
    {&IID_IQVThreatDefinitions, L"GetDefinitionUpdateConfig", 12, 1},
    {&IID_IQVThreatDefinitions, L"SetDefinitionUpdateConfig", 13, 1},
    {&IID__IQVScanControlEvents, L"ScanStateChanged", 3, 2},
    {&IID__IQVScanControlEvents, L"ScanProgress", 5, 19},
    {&IID__IQVScanControlEvents, L"CleanProgress", 6, 5},
    {&IID__IQVServiceEvents, L"ServiceStatusChanged", 4, 1},
    {&IID__IQVActiveProtectionEvents, L"ActiveProtectionEvent", 3, 1},
    {&IID__IQVThreatDefinitionsEvents, L"DefinitionsUpdateStatus", 3, 4},
};

// Every interface the client keeps or implements, with its number of vtable slots.
struct SizeCase {
  const IID* iid;
  int slots;
};
const SizeCase kSizes[] = {
    {&IID_IQVService, 16},
    {&IID_IQVActiveProtection, 6},
    {&IID_IQVScanControl, 22},
    {&IID_IQVQuarantine, 5},
    {&IID_IQVThreatDefinitions, 14},
    {&IID__IQVScanControlEvents, 8},
    {&IID__IQVServiceEvents, 9},
    {&IID__IQVActiveProtectionEvents, 8},
    {&IID__IQVThreatDefinitionsEvents, 6},
};

class ContractTypeLib : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, LoadTypeLibEx(RR_CONTRACT_TLB_PATH, REGKIND_NONE, &m_lib));
  }
  void TearDown() override {
    if (m_lib) m_lib->Release();
  }
  ITypeInfo* Info(const IID& iid) {
    ITypeInfo* info = nullptr;
    m_lib->GetTypeInfoOfGuid(iid, &info);
    return info;
  }
  ITypeLib* m_lib = nullptr;
};

TEST_F(ContractTypeLib, OperationsSitAtTheirSlots) {
  for (const SlotCase& c : kSlots) {
    SCOPED_TRACE(c.op);
    ITypeInfo* info = Info(*c.iid);
    ASSERT_NE(nullptr, info);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    bool found = false;
    for (int f = 0; f < attr->cFuncs; ++f) {
      FUNCDESC* desc = nullptr;
      info->GetFuncDesc(f, &desc);
      BSTR name = nullptr;
      UINT count = 0;
      info->GetNames(desc->memid, &name, 1, &count);
      if (name && std::wstring(name) == c.op) {
        found = true;
        EXPECT_EQ(c.slot, static_cast<int>(desc->oVft / sizeof(void*)));
        EXPECT_EQ(c.params, desc->cParams);
      }
      SysFreeString(name);
      info->ReleaseFuncDesc(desc);
    }
    EXPECT_TRUE(found);
    info->ReleaseTypeAttr(attr);
    info->Release();
  }
}

TEST_F(ContractTypeLib, InterfacesHaveTheirSizeAndDeriveFromIUnknown) {
  for (const SizeCase& c : kSizes) {
    ITypeInfo* info = Info(*c.iid);
    ASSERT_NE(nullptr, info);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_EQ(c.slots, static_cast<int>(attr->cbSizeVft / sizeof(void*)));
    EXPECT_EQ(3 + attr->cFuncs, c.slots);
    info->ReleaseTypeAttr(attr);
    info->Release();
  }
}

// The class list written from the contract: every class of the type library,
// in slot order, with the default interface the type library gives it.
struct ClassRow {
  const char* name;
  const CLSID* clsid;
  const IID* iid;
};
const ClassRow kClassRows[] = {
#define CLASS_ROW(cls, itf, description) {#cls, &CLSID_##cls, &IID_##itf},
    ENGINE_CLASSES(CLASS_ROW)
#undef CLASS_ROW
};

TEST_F(ContractTypeLib, HasAllFifteenClasses) {
  ASSERT_EQ(15u, std::size(kClassRows));
  for (const ClassRow& row : kClassRows) {
    SCOPED_TRACE(row.name);
    ITypeInfo* info = Info(*row.clsid);
    ASSERT_NE(nullptr, info);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_EQ(TKIND_COCLASS, attr->typekind);
    IID defaultInterface = GUID_NULL;
    for (UINT i = 0; i < attr->cImplTypes; ++i) {
      INT flags = 0;
      if (FAILED(info->GetImplTypeFlags(i, &flags))) continue;
      if ((flags & IMPLTYPEFLAG_FDEFAULT) && !(flags & IMPLTYPEFLAG_FSOURCE)) {
        HREFTYPE ref = 0;
        ITypeInfo* itf = nullptr;
        if (SUCCEEDED(info->GetRefTypeOfImplType(i, &ref)) &&
            SUCCEEDED(info->GetRefTypeInfo(ref, &itf))) {
          TYPEATTR* itfAttr = nullptr;
          if (SUCCEEDED(itf->GetTypeAttr(&itfAttr))) {
            defaultInterface = itfAttr->guid;
            itf->ReleaseTypeAttr(itfAttr);
          }
          itf->Release();
        }
      }
    }
    EXPECT_TRUE(IsEqualIID(defaultInterface, *row.iid));
    info->ReleaseTypeAttr(attr);
    info->Release();
  }
}

}  // namespace
