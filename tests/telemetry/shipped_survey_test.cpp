// "report" and "ureport" with the theme the product ships: the program in a
// folder of its own with the shipped res.dll and a copy of the shipped ui.xml
// whose survey host (and nothing else) points at the loopback server. A theme
// that names no survey host sends nothing, and fails here.
#include <windows.h>

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <string>

#include "support/Capture.h"
#include "support/HttpServer.h"

namespace {

// Runs the program to its end; its exit code, or ~0u when it did not end in time.
DWORD RunProgram(const std::wstring& exe, const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &si, &pi))
    return ~0u;
  CloseHandle(pi.hThread);
  DWORD code = ~0u;
  if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
    GetExitCodeProcess(pi.hProcess, &code);
  else
    TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess);
  return code;
}

class ShippedThemeSurvey : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder = std::wstring(temp) + L"rr_shipped_survey_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const wchar_t* name : {L"RodeRedud.exe", L"res.dll"})
      ASSERT_TRUE(CopyFileW(testsupport::ExeFolderPath(name).c_str(),
                            (folder + L"\\" + name).c_str(), FALSE))
          << "copying " << std::string(name, name + wcslen(name));
  }

  void TearDown() override {
    for (const wchar_t* name : {L"RodeRedud.exe", L"res.dll", L"ui.xml"})
      DeleteFileW((folder + L"\\" + name).c_str());
    RemoveDirectoryW(folder.c_str());
  }

  // The shipped ui.xml with its survey host replaced by the loopback server.
  void WriteThemeWithLoopbackHost() {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(testsupport::ExeFolderPath(L"ui.xml").c_str()));
    pugi::xml_node host = doc.child(L"ui").child(L"strings").child(L"survey_host");
    ASSERT_TRUE(host) << "the shipped theme names no survey host";
    const std::wstring shipped = host.text().get();
    const std::wstring reserved = L".example";
    ASSERT_GT(shipped.size(), reserved.size());
    EXPECT_EQ(reserved, shipped.substr(shipped.size() - reserved.size()))
        << "the shipped survey host must be a reserved example name";
    host.text().set(server.HostAndPort().c_str());
    ASSERT_TRUE(doc.save_file((folder + L"\\ui.xml").c_str()));
  }

  std::wstring folder;
  rrtest::HttpServer server;
};

TEST_F(ShippedThemeSurvey, ReportAndUninstallReportReachTheSurveyHost) {
  WriteThemeWithLoopbackHost();
  if (HasFatalFailure()) return;
  const std::wstring exe = folder + L"\\RodeRedud.exe";
  ASSERT_EQ(0u, RunProgram(exe, L"/report"));
  ASSERT_EQ(0u, RunProgram(exe, L"/ureport"));
  auto requests = server.Requests();
  ASSERT_EQ(2u, requests.size());
  // The shipped identifiers (Silent, set by an installer or not, only picks
  // install or update).
  const std::string shipped = "&PID=1001&CPID=0&VID=4711&LID=en&Version=1.0.0.1&";
  EXPECT_EQ("POST /index.php HTTP/1.1", requests[0].requestLine);
  EXPECT_NE(std::string::npos, requests[0].body.find(shipped)) << requests[0].body;
  EXPECT_TRUE(requests[0].body.rfind("action=install&actionid=1&", 0) == 0 ||
              requests[0].body.rfind("action=update&actionid=3&", 0) == 0)
      << requests[0].body;
  EXPECT_EQ(0u, requests[1].body.rfind("action=uninstall&actionid=2" + shipped, 0))
      << requests[1].body;
}

}  // namespace
