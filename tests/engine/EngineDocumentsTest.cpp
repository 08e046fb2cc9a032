#include <gtest/gtest.h>

#include <string>

#include "engine/EngineDocuments.h"
#include "engine/documents/ScanConfig.h"
#include "engine/documents/ScanResults.h"
#include "support/FakeEngine.h"

namespace {

// A stand-in document: keeps the text it read, writes the text it is given.
struct TextDoc {
  std::wstring read;
  std::string toWrite;
  int writeCode = 0;
  int ReadFromMemory(const void* data, size_t bytes) {
    read.assign(static_cast<const wchar_t*>(data), bytes / sizeof(wchar_t));
    return read.find(L"<bad") == std::wstring::npos ? 0 : 5;
  }
  int WriteToText(std::string& utf8) const {
    utf8 = toWrite;
    return writeCode;
  }
};

class EngineDocumentsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(session.CreateAll()); }
  void TearDown() override { session.ReleaseAll(); }
  FakeEngine engine;
  CEngineSession session;
};

struct ChannelCase {
  const DocumentChannel* channel;
  const wchar_t* getter;
  const wchar_t* setter;
};
const ChannelCase kChannels[] = {
    {&EngineDocuments::kServiceConfig, L"GetServiceConfig", L"SetServiceConfig"},
    {&EngineDocuments::kNVPairs, L"GetConfigDocument", L"SetConfigDocument"},
    {&EngineDocuments::kAPConfig, L"GetAPConfig", L"SetAPConfig"},
    {&EngineDocuments::kScanConfig, L"GetScanConfig", L"SetScanConfig"},
    {&EngineDocuments::kDefinitionUpdateConfig, L"GetDefinitionUpdateConfig",
     L"SetDefinitionUpdateConfig"},
};

TEST_F(EngineDocumentsTest, EachChannelReachesItsOperations) {
  for (const ChannelCase& c : kChannels) {
    SCOPED_TRACE(c.getter);
    engine.SetText(c.getter, std::wstring(L"<r a=\"1\"/>") + c.getter);
    TextDoc doc;
    EXPECT_EQ(S_OK, FetchDocument(doc, *c.channel, session));
    EXPECT_EQ(std::wstring(L"<r a=\"1\"/>") + c.getter, doc.read);

    doc.toWrite = "<r b=\"2\"/>";
    EXPECT_EQ(S_OK, StoreDocument(doc, *c.channel, session));
    EXPECT_EQ(L"<r b=\"2\"/>", engine.Stored(c.setter));
  }
  // The name/value document travels under its name, name first.
  auto get = engine.Calls(L"GetConfigDocument");
  ASSERT_EQ(1u, get.size());
  EXPECT_EQ(L"config_file.xml", get[0].args[0]);
  auto set = engine.Calls(L"SetConfigDocument");
  ASSERT_EQ(1u, set.size());
  EXPECT_EQ(L"config_file.xml", set[0].args[0]);
  EXPECT_EQ(L"<r b=\"2\"/>", set[0].args[1]);
}

TEST_F(EngineDocumentsTest, FetchReadsExactlyTheReturnedLength) {
  std::wstring text = L"<r/>";
  text.push_back(L'\0');
  text += L"tail";
  engine.SetText(L"GetScanConfig", text);
  TextDoc doc;
  EXPECT_EQ(S_OK, FetchDocument(doc, EngineDocuments::kScanConfig, session));
  EXPECT_EQ(text, doc.read);
}

TEST_F(EngineDocumentsTest, FetchResults) {
  TextDoc doc;
  engine.FailNext(L"GetAPConfig", E_ACCESSDENIED);
  EXPECT_EQ(E_ACCESSDENIED, FetchDocument(doc, EngineDocuments::kAPConfig, session));

  engine.SetText(L"GetAPConfig", L"<bad");
  EXPECT_EQ(E_FAIL, FetchDocument(doc, EngineDocuments::kAPConfig, session));

  engine.SetNullText(L"GetAPConfig");  // a null string is an empty document
  EXPECT_EQ(S_OK, FetchDocument(doc, EngineDocuments::kAPConfig, session));
  EXPECT_TRUE(doc.read.empty());
}

TEST_F(EngineDocumentsTest, NoEngineIsReportedNotRaised) {
  session.ReleaseAll();
  engine.FailCreate(9, E_FAIL);
  TextDoc doc;
  doc.toWrite = "<r/>";
  EXPECT_EQ(E_POINTER, FetchDocument(doc, EngineDocuments::kScanConfig, session));
  EXPECT_EQ(E_POINTER, StoreDocument(doc, EngineDocuments::kScanConfig, session));
  EXPECT_EQ(0, engine.CallCount(L"SetScanConfig"));
}

TEST_F(EngineDocumentsTest, StoreRelabelsOnlyTheDeclaration) {
  TextDoc doc;
  // A field value holding "UTF-8" keeps it; only the declaration changes.
  doc.toWrite =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ScanConfig Note=\"UTF-8 \xC3\xA9t\xC3\xA9\">"
      "<Path>C:\\UTF-8\\x</Path></ScanConfig>\n";
  EXPECT_EQ(S_OK, StoreDocument(doc, EngineDocuments::kScanConfig, session));
  EXPECT_EQ(
      L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<ScanConfig Note=\"UTF-8 \u00e9t\u00e9\">"
      L"<Path>C:\\UTF-8\\x</Path></ScanConfig>\n",
      engine.Stored(L"SetScanConfig"));
}

TEST_F(EngineDocumentsTest, ToEngineTextCases) {
  struct Case {
    const char* in;
    const wchar_t* out;
  } cases[] = {
      {"<?xml version='1.0' encoding='utf-8'?><a/>",
       L"<?xml version='1.0' encoding='UTF-16'?><a/>"},
      {"<?xml version=\"1.0\" encoding = \"UTF-8\" ?><a/>",
       L"<?xml version=\"1.0\" encoding = \"UTF-16\" ?><a/>"},
      {"<?xml version=\"1.0\"?><a v=\"encoding=UTF-8\"/>",
       L"<?xml version=\"1.0\"?><a v=\"encoding=UTF-8\"/>"},
      {"<a enc=\"UTF-8\"/>", L"<a enc=\"UTF-8\"/>"},
      {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>",
       L"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>"},
      {"", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.out, ToEngineText(c.in)) << c.in;
}

TEST_F(EngineDocumentsTest, StoreRefusesWhatDoesNotSerialize) {
  TextDoc doc;
  doc.toWrite = "";
  EXPECT_EQ(E_INVALIDARG, StoreDocument(doc, EngineDocuments::kScanConfig, session));
  doc.toWrite = "<r/>";
  doc.writeCode = 23;
  EXPECT_EQ(E_INVALIDARG, StoreDocument(doc, EngineDocuments::kScanConfig, session));
  EXPECT_EQ(0, engine.CallCount(L"SetScanConfig"));

  doc.writeCode = 0;
  engine.FailNext(L"SetScanConfig", E_OUTOFMEMORY);
  EXPECT_EQ(E_OUTOFMEMORY, StoreDocument(doc, EngineDocuments::kScanConfig, session));
}

std::string ReadBytes(const std::wstring& path) {
  std::string bytes;
  HANDLE f =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(f, nullptr));
  DWORD read = 0;
  ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(f);
  bytes.resize(read);
  return bytes;
}

std::wstring TempFolder() {
  wchar_t buf[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH + 1, buf);
  return buf;
}

TEST(CleanRequestTest, WritesMarkedUtf16InTheTemporaryFolder) {
  TextDoc results;
  results.toWrite =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ARDOThreatEngineResults Name=\"UTF-8\"/>\n";
  std::wstring path;
  ASSERT_EQ(S_OK, WriteCleanRequest(results, L"C:\\Engine\\Data\\results_42.xml", path));
  EXPECT_EQ(TempFolder() + L"results_42.xml", path);

  std::string bytes = ReadBytes(path);
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ('\xFF', bytes[0]);
  EXPECT_EQ('\xFE', bytes[1]);
  const std::wstring expected =
      L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<ARDOThreatEngineResults Name=\"UTF-8\"/>\n";
  ASSERT_EQ(2 + expected.size() * 2, bytes.size());  // no terminator
  EXPECT_EQ(expected,
            std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), expected.size()));

  // A second request replaces the first.
  results.toWrite = "<a/>";
  ASSERT_EQ(S_OK, WriteCleanRequest(results, L"D:/other/results_42.xml", path));
  EXPECT_EQ(2u + 8u, ReadBytes(path).size());
  DeleteFileW(path.c_str());
}

TEST(CleanRequestTest, NothingToWriteHandsBackTheBareName) {
  TextDoc results;
  std::wstring path;
  EXPECT_EQ(E_INVALIDARG, WriteCleanRequest(results, L"C:\\Engine\\empty_results.xml", path));
  EXPECT_EQ(L"empty_results.xml", path);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((TempFolder() + path).c_str()));
}

TEST(CleanRequestTest, UnwritableFileIsReported) {
  TextDoc results;
  results.toWrite = "<a/>";
  std::wstring path;
  // A file name the file system refuses.
  EXPECT_EQ(E_INVALIDARG, WriteCleanRequest(results, L"C:\\Engine\\bad|name?.xml", path));
  EXPECT_EQ(TempFolder() + L"bad|name?.xml", path);
}

TEST(CleanRequestTest, NeverWritesToTheCurrentFolder) {
  // A temporary folder the system cannot hand out in full (longer than MAX_PATH).
  const std::wstring saved = [] {
    wchar_t buf[32768];
    DWORD n = GetEnvironmentVariableW(L"TMP", buf, 32768);
    return std::wstring(buf, n < 32768 ? n : 0);
  }();
  std::wstring deep = TempFolder() + L"clean_request_long";
  for (int i = 0; deep.size() <= MAX_PATH + 20; ++i) deep += L"\\folder_of_a_long_name_" + std::to_wstring(i);
  // Create it, so that the only reason to refuse is its length.
  for (size_t at = TempFolder().size(); at != std::wstring::npos; at = deep.find(L'\\', at + 1))
    CreateDirectoryW(LongPathForm(deep.substr(0, at)).c_str(), nullptr);
  CreateDirectoryW(LongPathForm(deep).c_str(), nullptr);
  ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", deep.c_str()));

  TextDoc results;
  results.toWrite = "<a/>";
  std::wstring path;
  HRESULT hr = WriteCleanRequest(results, L"C:\\Engine\\current_folder_check.xml", path);
  SetEnvironmentVariableW(L"TMP", saved.empty() ? nullptr : saved.c_str());

  // Never the bare name in the current folder; either the long folder or nothing.
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(L"current_folder_check.xml"));
  DeleteFileW(L"current_folder_check.xml");
  if (hr == S_OK) {
    EXPECT_EQ(LongPathForm(deep + L"\\current_folder_check.xml"), path);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));
    DeleteFileW(path.c_str());
  } else {
    EXPECT_EQ(E_INVALIDARG, hr);
    EXPECT_EQ(L"", path);
  }
}

TEST(CleanRequestTest, LongPathsTakeTheirLongForm) {
  const std::wstring longName(MAX_PATH, L'x');
  struct Case {
    std::wstring in, out;
  };
  const Case cases[] = {
      {L"C:\\short\\r.xml", L"C:\\short\\r.xml"},
      {L"C:\\" + longName, L"\\\\?\\C:\\" + longName},
      {L"\\\\server\\share\\" + longName, L"\\\\?\\UNC\\server\\share\\" + longName},
      {L"\\\\?\\C:\\" + longName, L"\\\\?\\C:\\" + longName},
  };
  for (const Case& c : cases) EXPECT_EQ(c.out, LongPathForm(c.in)) << c.in.substr(0, 20);
}

}  // namespace

// ---- With the real document binding

namespace {

TEST_F(EngineDocumentsTest, ScanConfigRoundTripKeepsValuesThatMentionTheEncoding) {
  engine.SetText(L"GetScanConfig",
                 L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
                 L"<ScanConfig SchemaVersion=\"4.0.0\" RemovalText=\"Removed (UTF-8 safe) \u00e9\" "
                 L"LastScanType=\"1\"><SSD>keep</SSD></ScanConfig>\n");
  QVnsScanConfig::CScanConfig config;
  ASSERT_EQ(S_OK, FetchDocument(config, EngineDocuments::kScanConfig, session));
  EXPECT_EQ(1, config.LastScanType.Get());
  config.LastScanDateTime.Set(L"2026-12-10T08:00:00");
  ASSERT_EQ(S_OK, StoreDocument(config, EngineDocuments::kScanConfig, session));

  const std::wstring stored = engine.Stored(L"SetScanConfig");
  EXPECT_EQ(0u, stored.find(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>")) << stored;
  EXPECT_NE(std::wstring::npos, stored.find(L"Removed (UTF-8 safe) \u00e9")) << stored;
  EXPECT_NE(std::wstring::npos, stored.find(L"<SSD>keep</SSD>")) << stored;

  // What was stored reads back the same.
  QVnsScanConfig::CScanConfig again;
  ASSERT_EQ(S_OK, FetchDocument(again, EngineDocuments::kScanConfig, session));
  EXPECT_EQ(L"Removed (UTF-8 safe) \u00e9", again.RemovalText.Get());
  EXPECT_EQ(L"2026-12-10T08:00:00", again.LastScanDateTime.Get());
}

TEST_F(EngineDocumentsTest, MalformedScanConfigIsAFailedFetch) {
  engine.SetText(L"GetScanConfig", L"<ScanConfig LastScanType=\"x\"");
  QVnsScanConfig::CScanConfig config;
  EXPECT_EQ(E_FAIL, FetchDocument(config, EngineDocuments::kScanConfig, session));
  EXPECT_EQ(0, engine.CallCount(L"SetScanConfig"));
}

TEST(CleanRequestTest, ResultsDocumentReadsBackFromTheRequestFile) {
  QVnsScanResults::CARDOThreatEngineResults results;
  auto& threat = results.threats.Create().threat.Append();
  threat.id.Set(7);
  threat.name.Set(L"W32/UTF-8.Worm");
  threat.actionRequested.Set(2);
  std::wstring path;
  ASSERT_EQ(S_OK, WriteCleanRequest(results, L"C:\\Engine\\Results\\scan_1.xml", path));

  QVnsScanResults::CARDOThreatEngineResults back;
  ASSERT_EQ(0, back.ReadFromFile(path));
  ASSERT_TRUE(back.threats);
  ASSERT_EQ(1u, back.threats->threat.Count());
  EXPECT_EQ(L"W32/UTF-8.Worm", back.threats->threat[0].name.Get());
  EXPECT_EQ(2, back.threats->threat[0].actionRequested.Get());
  DeleteFileW(path.c_str());
}

}  // namespace
