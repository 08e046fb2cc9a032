// The profile operations of the application base and the machine-key readers:
// absent and wrong-typed values read as their defaults, writes create the key.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "app/Settings.h"
#include "framework/RegistryKey.h"
#include "framework/WinAppEx.h"

namespace {

std::wstring UniqueCompany() {
  static int counter = 0;
  return L"RRSettingsTest_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
         std::to_wstring(++counter);
}

void SetRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type, const void* data,
            DWORD size) {
  CRegistryKey key;
  ASSERT_TRUE(key.Create(root, path));
  ASSERT_EQ(ERROR_SUCCESS,
            RegSetValueExW(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size));
}

class ProfileTest : public testing::Test {
 protected:
  void SetUp() override {
    company = UniqueCompany();
    app.SetAppTitle(L"Profile Title");
    app.SetRegistryKey(company);
  }
  void TearDown() override { DeleteRegistryTree(HKEY_CURRENT_USER, L"Software\\" + company); }
  void Raw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    SetRaw(HKEY_CURRENT_USER, app.ProfileKeyPath(), name, type, data, size);
  }

  CWinAppEx app;
  std::wstring company;
};

}  // namespace

TEST_F(ProfileTest, KeyIsSoftwareCompanyTitle) {
  EXPECT_EQ(L"Software\\" + company + L"\\Profile Title", app.ProfileKeyPath());
}

TEST_F(ProfileTest, AbsentKeyAndAbsentValuesGiveDefaults) {
  EXPECT_EQ(1, app.ReadProfileInt(L"ShowCloseDlg", 1));
  EXPECT_EQ(L"fallback", app.ReadProfileText(L"CommandLine", L"fallback"));
  ASSERT_TRUE(app.WriteProfileInt(L"RunCount", 3));  // creates the key
  EXPECT_EQ(3, app.ReadProfileInt(L"RunCount", 0));
  EXPECT_EQ(800, app.ReadProfileInt(L"Width", 800));
  EXPECT_EQ(L"", app.ReadProfileText(L"SCANTIME"));
}

TEST_F(ProfileTest, WrongTypedValuesGiveDefaults) {
  const wchar_t text[] = L"5";
  Raw(L"TextInt", REG_SZ, text, sizeof(text));
  const BYTE bytes[4] = {1, 0, 0, 0};
  Raw(L"BinaryInt", REG_BINARY, bytes, sizeof(bytes));
  const ULONGLONG wide = 7;
  Raw(L"QwordInt", REG_QWORD, &wide, sizeof(wide));
  const DWORD number = 9;
  Raw(L"DwordText", REG_DWORD, &number, sizeof(number));
  Raw(L"ExpandText", REG_EXPAND_SZ, text, sizeof(text));

  EXPECT_EQ(-1, app.ReadProfileInt(L"TextInt", -1));
  EXPECT_EQ(-1, app.ReadProfileInt(L"BinaryInt", -1));
  EXPECT_EQ(-1, app.ReadProfileInt(L"QwordInt", -1));
  EXPECT_EQ(L"d", app.ReadProfileText(L"DwordText", L"d"));
  EXPECT_EQ(L"d", app.ReadProfileText(L"ExpandText", L"d"));
  EXPECT_EQ(9, app.ReadProfileInt(L"DwordText", -1));
  EXPECT_EQ(L"5", app.ReadProfileText(L"TextInt"));
}

TEST_F(ProfileTest, RoundTripsIntegersAndTexts) {
  EXPECT_TRUE(app.WriteProfileInt(L"XPos", -40));
  EXPECT_EQ(-40, app.ReadProfileInt(L"XPos", 0));
  EXPECT_TRUE(app.WriteProfileText(L"CommandLine", L"/scan:\"quick\" é"));
  EXPECT_EQ(L"/scan:\"quick\" é", app.ReadProfileText(L"CommandLine"));
  EXPECT_TRUE(app.WriteProfileText(L"CommandLine", L""));
  EXPECT_EQ(L"", app.ReadProfileText(L"CommandLine", L"x"));
  // A text stored without its terminator still reads back whole.
  const wchar_t raw[] = {L'a', L'b'};
  Raw(L"Unterminated", REG_SZ, raw, sizeof(raw));
  EXPECT_EQ(L"ab", app.ReadProfileText(L"Unterminated"));
}

TEST(Profile, WithoutRootOrWithAnUnwritableKeyReadsDefaultsAndWritesNothing) {
  CWinAppEx app;
  EXPECT_EQ(L"", app.ProfileKeyPath());
  EXPECT_EQ(4, app.ReadProfileInt(L"RunCount", 4));
  EXPECT_FALSE(app.WriteProfileInt(L"RunCount", 1));
  EXPECT_FALSE(app.WriteProfileText(L"CommandLine", L"x"));
  // A key name longer than the registry allows cannot be created.
  const std::wstring company = UniqueCompany();
  app.SetRegistryKey(company);
  app.SetAppTitle(std::wstring(300, L'T'));
  EXPECT_FALSE(app.WriteProfileInt(L"RunCount", 1));
  EXPECT_EQ(4, app.ReadProfileInt(L"RunCount", 4));
  DeleteRegistryTree(HKEY_CURRENT_USER, L"Software\\" + company);
}

TEST(MachineSettings, AcceptsOnlyTheExpectedTypes) {
  const std::wstring company = UniqueCompany();
  const std::wstring path = settings::MachineKeyPath(company, L"Machine App");
  EXPECT_EQ(L"Software\\" + company + L"\\Machine App", path);
  {
    settings::CMachineSettings absent(path);
    EXPECT_FALSE(absent.IsOpen());
    EXPECT_TRUE(absent.AutoActiveProtection()) << "absent counts as on";
    EXPECT_FALSE(absent.Flag(L"Desktop"));
    EXPECT_FALSE(absent.InstallTime().has_value());
    EXPECT_EQ(L"d", absent.ReadString(L"quickScanTime", L"d"));
  }
  const wchar_t one[] = L"1";
  SetRaw(HKEY_LOCAL_MACHINE, path, L"Silent", REG_SZ, one, sizeof(one));
  const DWORD zero = 0, two = 2;
  SetRaw(HKEY_LOCAL_MACHINE, path, L"AutoActiveProtection", REG_DWORD, &zero, sizeof(zero));
  SetRaw(HKEY_LOCAL_MACHINE, path, L"Desktop", REG_DWORD, &two, sizeof(two));
  SetRaw(HKEY_LOCAL_MACHINE, path, L"Login", REG_BINARY, &two, sizeof(two));
  const ULONGLONG stamp = 129691227090000000ull;
  SetRaw(HKEY_LOCAL_MACHINE, path, L"InstallTime", REG_QWORD, &stamp, sizeof(stamp));
  SetRaw(HKEY_LOCAL_MACHINE, path, L"fullScanTime", REG_DWORD, &two, sizeof(two));
  {
    settings::CMachineSettings machine(path);
    ASSERT_TRUE(machine.IsOpen());
    EXPECT_EQ(0u, machine.ReadDword(L"Silent", 0)) << "Silent stored as text is absent";
    EXPECT_FALSE(machine.AutoActiveProtection());
    EXPECT_TRUE(machine.Flag(L"Desktop"));
    EXPECT_FALSE(machine.Flag(L"Login"));
    auto installed = machine.InstallTime();
    ASSERT_TRUE(installed.has_value());
    EXPECT_EQ(stamp,
              (static_cast<ULONGLONG>(installed->dwHighDateTime) << 32) | installed->dwLowDateTime);
    EXPECT_EQ(L"x", machine.ReadString(L"fullScanTime", L"x"));
  }
  // An InstallTime of the wrong size or type is no time at all.
  const DWORD shortStamp = 5;
  SetRaw(HKEY_LOCAL_MACHINE, path, L"InstallTime", REG_BINARY, &shortStamp, sizeof(shortStamp));
  EXPECT_FALSE(settings::CMachineSettings(path).InstallTime().has_value());
  SetRaw(HKEY_LOCAL_MACHINE, path, L"AutoActiveProtection", REG_SZ, L"0", 4);
  EXPECT_TRUE(settings::CMachineSettings(path).AutoActiveProtection());
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, L"Software\\" + company);
}
