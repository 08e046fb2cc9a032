// The survey form and its POST, against the loopback test server.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/Settings.h"
#include "framework/RegistryKey.h"
#include "framework/TextConvert.h"
#include "support/HttpServer.h"
#include "telemetry/SurveyReport.h"

namespace {

// Splits an urlencoded form into decoded ANSI name/value pairs.
std::vector<std::pair<std::string, std::string>> DecodeForm(const std::string& body) {
  auto decode = [](const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '+') {
        out += ' ';
      } else if (text[i] == '%' && i + 2 < text.size() + 0 && i + 2 <= text.size() - 1 + 1) {
        out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        out += text[i];
      }
    }
    return out;
  };
  std::vector<std::pair<std::string, std::string>> fields;
  size_t start = 0;
  while (start <= body.size() && !body.empty()) {
    size_t end = body.find('&', start);
    if (end == std::string::npos) end = body.size();
    std::string field = body.substr(start, end - start);
    size_t eq = field.find('=');
    fields.emplace_back(decode(field.substr(0, eq)),
                        eq == std::string::npos ? "" : decode(field.substr(eq + 1)));
    start = end + 1;
  }
  return fields;
}

CSurveyReport SampleReport() {
  CSurveyReport report;
  report.company = L"RRSurveyCo_" + std::to_wstring(GetCurrentProcessId());
  report.application = L"Survey App";
  report.productId = 1234;
  report.vendorId = L"77";
  report.campaignId = L"5";
  report.languageId = L"EN";
  report.version = L"4.5.6";
  return report;
}

}  // namespace

TEST(SurveyBody, CarriesTheFieldsInOrderWithTheChoices) {
  CSurveyReport report = SampleReport();
  report.installDate = L"2011-12-24 13:05:09";
  SurveyChoices choices;
  choices.desktop = true;
  choices.autoScan = true;
  EXPECT_EQ(
      "action=install&actionid=1&PID=1234&CPID=5&VID=77&LID=EN&Version=4.5.6&LicenseKey="
      "&InstallDate=2011-12-24+13%3A05%3A09&Desktop=TRUE&Login=FALSE&Quick=FALSE&Updates=FALSE"
      "&AutoScan=TRUE",
      report.BuildBody(L"install", choices));
  report.sessionId = L"s1";
  EXPECT_NE(std::string::npos,
            report.BuildBody(L"update", {}).find("&AutoScan=FALSE&KORAL_SID=s1"));
}

TEST(SurveyBody, ValuesWithFormCharactersDecodeBackUnchanged) {
  CSurveyReport report = SampleReport();
  report.version = L"1.0&Version=evil";
  report.licenseKey = L"A=B&C+D%20 e/f?\u00e9";
  report.languageId = L"en us";
  auto fields = DecodeForm(report.BuildBody(L"install", {}));
  ASSERT_EQ(14u, fields.size());
  std::map<std::string, std::string> byName(fields.begin(), fields.end());
  EXPECT_EQ(14u, byName.size()) << "no field may be injected by a value";
  EXPECT_EQ(ToBytes(report.version, CP_ACP), byName["Version"]);
  EXPECT_EQ(ToBytes(report.licenseKey, CP_ACP), byName["LicenseKey"]);
  EXPECT_EQ("en us", byName["LID"]);
}

TEST(SurveyBody, CutsAtTheLimitOnlyBetweenWholeFields) {
  CSurveyReport report = SampleReport();
  report.version.clear();
  const size_t base = report.BuildBody(L"install", {}).size();
  // Exactly at the limit: everything fits.
  report.version = std::wstring(CSurveyReport::kMaxBodyBytes - base, L'v');
  std::string full = report.BuildBody(L"install", {});
  EXPECT_EQ(CSurveyReport::kMaxBodyBytes, full.size());
  EXPECT_EQ(0u, full.size() - full.rfind("&AutoScan=FALSE") - 15);
  // One byte more: the last field no longer fits and is left out whole.
  report.version += L'v';
  std::string cut = report.BuildBody(L"install", {});
  EXPECT_EQ(full.size() + 1 - std::string("&AutoScan=FALSE").size(), cut.size());
  EXPECT_EQ(cut.size() - 14, cut.rfind("&Updates=FALSE"));
  // A value too long for the body ends it before its own field.
  report.version = std::wstring(3000, L'v');
  EXPECT_EQ("action=install&actionid=1&PID=1234&CPID=5&VID=77&LID=EN",
            report.BuildBody(L"install", {}));
  // An encoded character is never split either: each "%XX" stays whole.
  report.version = std::wstring(1000, L'&');
  cut = report.BuildBody(L"install", {});
  EXPECT_LE(cut.size(), CSurveyReport::kMaxBodyBytes);
  EXPECT_EQ(std::string::npos, cut.find("Version="));
}

TEST(SurveyAction, ChoosesByCaseInsensitiveWordAndSilentDword) {
  EXPECT_EQ(L"2", SurveyActionId(L"UnInstall"));
  EXPECT_EQ(L"3", SurveyActionId(L"UPDATE"));
  EXPECT_EQ(L"1", SurveyActionId(L"install"));
  EXPECT_EQ(L"1", SurveyActionId(L"other"));

  const std::wstring company = L"RRSurveyAction_" + std::to_wstring(GetCurrentProcessId());
  const std::wstring path = settings::MachineKeyPath(company, L"App");
  EXPECT_EQ(L"install", ChooseSurveyAction(false, path)) << "no key";
  CRegistryKey key;
  ASSERT_TRUE(key.Create(HKEY_LOCAL_MACHINE, path));
  key.WriteString(L"Silent", L"1");
  EXPECT_EQ(L"install", ChooseSurveyAction(false, path));
  key.WriteDword(L"Silent", 2);
  EXPECT_EQ(L"install", ChooseSurveyAction(false, path));
  key.WriteDword(L"Silent", 1);
  EXPECT_EQ(L"update", ChooseSurveyAction(false, path));
  EXPECT_EQ(L"uninstall", ChooseSurveyAction(true, path));
  key.Close();
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, L"Software\\" + company);
}

TEST(SurveyServer, SplitsHostAndPort) {
  EXPECT_EQ(std::make_pair(std::wstring(L"survey.example"), static_cast<unsigned short>(80)),
            SplitServer(L"survey.example"));
  EXPECT_EQ(std::make_pair(std::wstring(L"127.0.0.1"), static_cast<unsigned short>(8123)),
            SplitServer(L"127.0.0.1:8123"));
  EXPECT_EQ(80, SplitServer(L"host:notaport").second);
  EXPECT_EQ(80, SplitServer(L"host:70000").second);
}

TEST(SurveyInstallDate, FormatsLocalTime) {
  SYSTEMTIME st{2011, 12, 0, 24, 13, 5, 9, 0};
  FILETIME utc, local;
  SystemTimeToFileTime(&st, &utc);
  FileTimeToLocalFileTime(&utc, &local);
  SYSTEMTIME shown;
  FileTimeToSystemTime(&local, &shown);
  wchar_t expected[32];
  swprintf(expected, 32, L"%04u-%02u-%02u %02u:%02u:%02u", shown.wYear, shown.wMonth, shown.wDay,
           shown.wHour, shown.wMinute, shown.wSecond);
  EXPECT_EQ(expected, FormatInstallDate(utc));
}

class SurveySend : public testing::Test {
 protected:
  void SetUp() override {
    report = SampleReport();
    report.server = server.HostAndPort();
  }
  void TearDown() override {
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, L"Software\\" + report.company);
  }
  rrtest::HttpServer server;
  CSurveyReport report;
};

TEST_F(SurveySend, PostsTheFormAndSucceedsOn200) {
  {
    CRegistryKey key;
    ASSERT_TRUE(key.Create(HKEY_LOCAL_MACHINE,
                           settings::MachineKeyPath(report.company, report.application)));
    key.WriteDword(L"Desktop", 1);
    key.WriteString(L"Login", L"1");
    key.WriteDword(L"Quick", 0);
    key.WriteDword(L"Updates", 3);
  }
  rrtest::HttpResponse ok;
  ok.body = std::string(5000, 'r');  // read to the end, not used
  server.Enqueue(ok);
  EXPECT_TRUE(report.Send(L"update"));
  auto requests = server.Requests();
  ASSERT_EQ(1u, requests.size());
  EXPECT_EQ("POST /index.php HTTP/1.1", requests[0].requestLine);
  EXPECT_EQ("application/x-www-form-urlencoded", requests[0].Header("Content-Type"));
  EXPECT_EQ("SurveyRequest", requests[0].Header("User-Agent"));
  SurveyChoices expected;
  expected.desktop = true;
  expected.updates = true;
  EXPECT_EQ(report.BuildBody(L"update", expected), requests[0].body);
  EXPECT_EQ(std::to_string(requests[0].body.size()), requests[0].Header("Content-Length"));
}

TEST_F(SurveySend, AnythingButA200IsAFailure) {
  for (int status : {500, 302, 404, 201}) {
    rrtest::HttpResponse response;
    response.status = status;
    response.headers = {{"Location", "/moved"}};
    server.Enqueue(response);
    const size_t before = server.RequestCount();
    EXPECT_FALSE(report.Send(L"install")) << status;
    EXPECT_EQ(before + 1, server.RequestCount()) << "a redirect is not followed: " << status;
  }
}

TEST_F(SurveySend, RefusedConnectionOrNoServerFails) {
  report.server = L"127.0.0.1:" + std::to_wstring(rrtest::HttpServer::UnusedPort());
  EXPECT_FALSE(report.Send(L"install"));
  report.server.clear();
  EXPECT_FALSE(report.Send(L"install"));
  EXPECT_EQ(0u, server.RequestCount());
}
