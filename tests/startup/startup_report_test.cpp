// "report" and "ureport": one survey POST to the (loopback) survey host.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "framework/RegistryKey.h"
#include "startup_support.h"
#include "support/HttpServer.h"

using startup::Child;
using startup::Installation;

namespace {

ULONGLONG ChristmasEve2011() {
  SYSTEMTIME st{};
  st.wYear = 2011;
  st.wMonth = 12;
  st.wDay = 24;
  st.wHour = 13;
  st.wMinute = 5;
  st.wSecond = 9;
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

// The install date as the form carries it: local time, URL-encoded.
std::string EncodedLocalDate(ULONGLONG value) {
  FILETIME utc{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)}, local;
  SYSTEMTIME st;
  FileTimeToLocalFileTime(&utc, &local);
  FileTimeToSystemTime(&local, &st);
  char buffer[64];
  std::snprintf(buffer, sizeof(buffer), "%04u-%02u-%02u+%02u%%3A%02u%%3A%02u", st.wYear, st.wMonth,
                st.wDay, st.wHour, st.wMinute, st.wSecond);
  return buffer;
}

struct ReportRun {
  rrtest::HttpServer server;
  startup::ThemeValues values;
  std::unique_ptr<Installation> install;

  ReportRun() {
    values.surveyHost = server.HostAndPort();
    values.version = L"1.2&3=4";
    install = std::make_unique<Installation>(values);
  }
  CRegistryKey MachineKey() {
    CRegistryKey key;
    key.Create(HKEY_LOCAL_MACHINE, install->MachineKey());
    return key;
  }
};

}  // namespace

TEST(StartupReport, ReportSendsTheUpdateFormWhenTheInstallRanSilently) {
  ReportRun run;
  {
    CRegistryKey key = run.MachineKey();
    key.WriteDword(L"Silent", 1);
    key.WriteQword(L"InstallTime", ChristmasEve2011());
    key.WriteDword(L"Desktop", 1);
    key.WriteString(L"Login", L"1");  // not a REG_DWORD: FALSE
    key.WriteDword(L"Quick", 0);
    key.WriteDword(L"Updates", 7);
    key.WriteString(L"LicenseKey", L"AB&CD=EF");
  }
  ASSERT_EQ(0u, startup::Run(run.install->Exe(), L"/report"));
  auto requests = run.server.Requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ("POST /index.php HTTP/1.1", requests[0].requestLine);
  EXPECT_EQ("application/x-www-form-urlencoded", requests[0].Header("Content-Type"));
  EXPECT_EQ("SurveyRequest", requests[0].Header("User-Agent"));
  EXPECT_EQ(
      "action=update&actionid=3&PID=1234&CPID=5&VID=77&LID=EN&Version=1.2%263%3D4"
      "&LicenseKey=AB%26CD%3DEF&InstallDate=" +
          EncodedLocalDate(ChristmasEve2011()) +
          "&Desktop=TRUE&Login=FALSE&Quick=FALSE&Updates=TRUE&AutoScan=FALSE",
      requests[0].body);
}

TEST(StartupReport, SilentStoredAsTextReportsAnInstall) {
  ReportRun run;
  run.MachineKey().WriteString(L"Silent", L"1");
  ASSERT_EQ(0u, startup::Run(run.install->Exe(), L"/report"));
  auto requests = run.server.Requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ(
      "action=install&actionid=1&PID=1234&CPID=5&VID=77&LID=EN&Version=1.2%263%3D4"
      "&LicenseKey=&InstallDate=&Desktop=FALSE&Login=FALSE&Quick=FALSE&Updates=FALSE"
      "&AutoScan=FALSE",
      requests[0].body);
}

TEST(StartupReport, UreportAlwaysReportsAnUninstall) {
  ReportRun run;
  run.MachineKey().WriteDword(L"Silent", 1);
  ASSERT_EQ(0u, startup::Run(run.install->Exe(), L"/ureport"));
  auto requests = run.server.Requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ(0u, requests[0].body.rfind("action=uninstall&actionid=2&PID=1234&", 0))
      << requests[0].body;
}

TEST(StartupReport, ReportIsSentEvenWhileAnInstanceRuns) {
  ReportRun run;
  HANDLE mutex = CreateMutexW(nullptr, TRUE, Installation::MutexName().c_str());
  // A window of the class, so the start does not end at the single-instance test.
  int handovers = 0;
  WNDCLASSW wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_APP + 1) ++*reinterpret_cast<int*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    return DefWindowProcW(h, m, w, l);
  };
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = run.install->WindowClass().c_str();
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 50, 50, nullptr,
                                nullptr, wc.hInstance, nullptr);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&handovers));

  Child child(run.install->Exe(), L"/report");
  const bool ended = child.Wait(30000);
  startup::Pump(200);
  DestroyWindow(window);
  UnregisterClassW(wc.lpszClassName, wc.hInstance);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
  ASSERT_TRUE(ended);
  EXPECT_EQ(1u, run.server.RequestCount());
  EXPECT_EQ(0, handovers);
}

TEST(StartupReport, FailedReportsEndQuietly) {
  for (int status : {500, 302}) {
    ReportRun run;
    rrtest::HttpResponse response;
    response.status = status;
    response.headers = {{"Location", "/elsewhere"}};
    run.server.Enqueue(response);
    ASSERT_EQ(0u, startup::Run(run.install->Exe(), L"/report")) << status;
    EXPECT_EQ(1u, run.server.RequestCount()) << status;
  }
  // Nobody listening.
  startup::ThemeValues values;
  values.surveyHost = L"127.0.0.1:" + std::to_wstring(rrtest::HttpServer::UnusedPort());
  Installation install(values);
  EXPECT_EQ(0u, startup::Run(install.Exe(), L"/report"));
}
