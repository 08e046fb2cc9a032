// End to end: the real engine executable, started by COM, driven from this
// test process (a single-threaded apartment, as the program is).

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "Definitions.h"
#include "EngineClasses.h"
#include "EngineHarness.h"
#include "TempDir.h"
#include "Text.h"
#include "engine/EngineSession.h"
#include "engine/ThreatInfo.h"
#include "idl/EngineCodes.h"
#include "engine/documents/APConfig.h"
#include "engine/documents/APEvent.h"
#include "engine/documents/NVPairs.h"
#include "engine/documents/QuarantineFile.h"
#include "engine/documents/ScanConfig.h"
#include "engine/documents/ScanResults.h"
#include "engine/documents/ThreatDefinitionsConfig.h"
#include "support/HttpServer.h"
#include "../refsigs/Makers.h"

using namespace rrtest;

namespace {

using namespace EngineCodes;

std::wstring Quarantine() { return Folders().data + L"\\Quarantine\\"; }

// Points the custom scan (ScanType 2) at the given paths.
void SetCustomPaths(EngineClient& c, const std::vector<std::wstring>& paths,
                    uint32_t intervalMs = 50) {
  QVnsScanConfig::CScanConfig cfg;
  ASSERT_EQ(cfg.ReadFromString(c.ScanConfig()), 0);
  auto& settings = cfg.ScanSettings.Create();
  QVnsScanConfig::CScanSetting* custom = nullptr;
  for (auto& s : settings.ScanSetting)
    if (s.ScanType.Get() == 2) custom = &s;
  if (!custom) {
    custom = &settings.ScanSetting.Append();
    custom->ScanType.Set(2);
  }
  auto& p = custom->PathsToScan.Create();
  p.Paths.Clear();
  for (const auto& path : paths) p.Paths.Append().Path.Set(path);
  cfg.ScanDetailCBIntervalMS.Set(intervalMs);
  std::wstring text;
  ASSERT_EQ(cfg.WriteToString(text), 0);
  ASSERT_EQ(c.SetScanConfig(text), S_OK);
}

QVnsScanResults::CARDOThreatEngineResults ReadResults(EngineClient& c) {
  QVnsScanResults::CARDOThreatEngineResults r;
  EXPECT_EQ(r.ReadFromFile(c.ResultsFile()), 0);
  return r;
}

// Runs a custom scan of `paths` to its end; returns the terminal state.
long RunCustomScan(EngineClient& c, const std::vector<std::wstring>& paths) {
  SetCustomPaths(c, paths);
  EXPECT_EQ(c.scan->ResetScan(), S_OK);
  c.sink.Clear();
  EXPECT_EQ(c.scan->StartScan(2), S_OK);
  EXPECT_TRUE(c.sink.WaitState({kScanDone, kScanDoneThreats, 113, kScanStopped}));
  return c.sink.FirstState({kScanDone, kScanDoneThreats, 113, kScanStopped});
}

// Writes the results with the given action for every threat as a clean
// request (UTF-16 with a byte order mark, as the client does) and cleans.
HRESULT Clean(EngineClient& c, int action, TempDir& tmp,
              QVnsScanResults::CARDOThreatEngineResults* edited = nullptr) {
  QVnsScanResults::CARDOThreatEngineResults r = edited ? *edited : ReadResults(c);
  if (!edited && r.threats)
    for (auto& t : r.threats->threat) t.actionRequested.Set(action);
  std::wstring text;
  EXPECT_EQ(r.WriteToString(text), 0);
  std::wstring path = tmp / L"ScanResults.xml";
  WriteBytes(path, std::string("\xFF\xFE") +
                       std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2));
  c.sink.Clear();
  EngineString p(path);
  HRESULT hr = c.scan->CleanThreats(p.Get());
  DeleteFileW(path.c_str());
  return hr;
}

std::vector<std::wstring> QuarantineRecords() {
  std::vector<std::wstring> out;
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW((Quarantine() + L"*.xml").c_str(), &fd);
  if (f == INVALID_HANDLE_VALUE) return out;
  do
    if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.push_back(fd.cFileName);
  while (FindNextFileW(f, &fd));
  FindClose(f);
  return out;
}

}  // namespace

TEST(EngineContract, FifteenClassesPingAndDataFolder) {
  const CLSID* classes[] = {
#define CLASS_ID(cls, itf, description) &CLSID_##cls,
      ENGINE_CLASSES(CLASS_ID)
#undef CLASS_ID
  };
  const IID* ids[] = {
#define INTERFACE_ID(cls, itf, description) &IID_##itf,
      ENGINE_CLASSES(INTERFACE_ID)
#undef INTERFACE_ID
  };
  ASSERT_EQ(15u, std::size(classes));
  for (int i = 0; i < 15; ++i) {
    ComRef<IUnknown> unk;
    ASSERT_EQ(CoCreateInstance(*classes[i], nullptr, CLSCTX_ALL, IID_IUnknown,
                               unk.PutVoid()),
              S_OK)
        << "slot " << i;
    ComRef<IUnknown> itf;
    EXPECT_EQ(unk->QueryInterface(*ids[i], itf.PutVoid()), S_OK)
        << "slot " << i;
  }
  // Registered by /regserver: the local server and the type library's interfaces.
  wchar_t server[MAX_PATH * 2] = L"";
  LONG size = sizeof server;
  ASSERT_EQ(RegQueryValueW(HKEY_CLASSES_ROOT,
                           L"CLSID\\{EC88394A-429C-4DDB-91EA-570E938B79DF}\\LocalServer32", server,
                           &size),
            ERROR_SUCCESS);
  EXPECT_NE(std::wstring(server).find(L"RodeRedudEngine.exe"), std::wstring::npos);
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT,
                          L"Interface\\{6220D30C-21D3-48CC-9C64-A3DD5A87E763}\\ProxyStubClsid32", 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);

  EngineClient c;
  ASSERT_TRUE(c.ok()) << std::hex << c.hr();
  long v = 2;
  EXPECT_EQ(c.service->Ping(&v), S_OK);
  EngineString folder;
  ASSERT_EQ(c.service->GetDataFolder(folder.Out()), S_OK);
  EXPECT_EQ(folder.Str(), Folders().data + L"\\");
  EXPECT_TRUE(Exists(folder.Str() + L"Quarantine"));
  // Engine creations succeed while it runs; a second client is served by the same engine.
  EXPECT_EQ(EngineProcesses().size(), 1u);
}

TEST(EngineConfig, DocumentsAreKeptAndMalformedOnesRefused) {
  EngineClient a, b;  // two clients, one engine
  ASSERT_TRUE(a.ok() && b.ok());
  // Fresh defaults.
  EngineString ap;
  ASSERT_EQ(a.protection->GetAPConfig(ap.Out()), S_OK);
  QVnsAPConfig::CAPConfig apc;
  ASSERT_EQ(apc.ReadFromString(ap.Str()), 0);
  EXPECT_FALSE(apc.Enabled.Get());
  EngineString up;
  ASSERT_EQ(a.definitions->GetDefinitionUpdateConfig(up.Out()), S_OK);
  QVnsThreatDefinitionsConfig::CDefinitionUpdateConfig upc;
  ASSERT_EQ(upc.ReadFromString(up.Str()), 0);
  EXPECT_EQ(upc.UpdateInterval.Get(), 4u);

  // What one client stores, the other reads back (and it is kept on disk).
  QVnsScanConfig::CScanConfig cfg;
  ASSERT_EQ(cfg.ReadFromString(a.ScanConfig()), 0);
  cfg.DaysToKeepQuarantinedItems.Set(15);
  auto& ign = cfg.IgnoredThreats.Create();
  ign.IsDirty.Set(true);
  auto& it = ign.IgnoredThreat.Append();
  it.Id.Set(777);
  it.Source.Set(1);
  it.DateTimeAdded.Set(L"2026-12-10T08:00:00");
  std::wstring text;
  ASSERT_EQ(cfg.WriteToString(text), 0);
  ASSERT_EQ(a.SetScanConfig(text), S_OK);
  QVnsScanConfig::CScanConfig back;
  ASSERT_EQ(back.ReadFromString(b.ScanConfig()), 0);
  EXPECT_EQ(back.DaysToKeepQuarantinedItems.Get(), 15u);
  ASSERT_TRUE(back.IgnoredThreats.Get());
  EXPECT_EQ(back.IgnoredThreats->IgnoredThreat[0].Id.Get(), 777u);
  EXPECT_TRUE(Exists(Folders().data + L"\\Config\\ScanConfig.xml"));

  // Malformed documents and wrong roots are refused and change nothing.
  for (const wchar_t* bad :
       {L"<ScanConfig", L"<APConfig Enabled=\"true\"/>", L"<ScanConfig Colour=\"red\"/>", L"",
        L"<ScanConfig DaysToKeepQuarantinedItems=\"-4\"/>"}) {
    EXPECT_EQ(a.SetScanConfig(bad), E_INVALIDARG) << std::string(ToBytes(bad));
    QVnsScanConfig::CScanConfig kept;
    ASSERT_EQ(kept.ReadFromString(b.ScanConfig()), 0);
    EXPECT_EQ(kept.DaysToKeepQuarantinedItems.Get(), 15u);
  }
  EngineString badAp(L"<ScanConfig/>");
  EXPECT_EQ(a.protection->SetAPConfig(badAp.Get()), E_INVALIDARG);

  // The name/value pairs document, by name; names that are not plain file names are refused.
  EngineString name(L"config_file.xml"), pairs;
  ASSERT_EQ(a.service->GetConfigDocument(name.Get(), pairs.Out()), S_OK);
  QVnsNVPairs::CNVPairs nv;
  ASSERT_EQ(nv.ReadFromString(pairs.Str()), 0);
  auto& pair = nv.NVPair.Append();
  pair.Name.Set(L"last_scan_threat_count");
  pair.Value.Set(L"3");
  ASSERT_EQ(nv.WriteToString(text), 0);
  EngineString nvText(text);
  ASSERT_EQ(a.service->SetConfigDocument(name.Get(), nvText.Get()), S_OK);
  EngineString again;
  ASSERT_EQ(b.service->GetConfigDocument(name.Get(), again.Out()), S_OK);
  ASSERT_EQ(nv.ReadFromString(again.Str()), 0);
  ASSERT_EQ(nv.NVPair.Count(), 1u);
  EXPECT_EQ(nv.NVPair[0].Value.Get(), L"3");
  EngineString evil(L"..\\..\\evil.xml"), out;
  EXPECT_EQ(a.service->SetConfigDocument(evil.Get(), nvText.Get()), E_INVALIDARG);
  EXPECT_EQ(a.service->GetConfigDocument(evil.Get(), out.Out()), E_INVALIDARG);
  EXPECT_FALSE(Exists(Folders().data + L"\\..\\evil.xml"));

  // Leave the configuration as the other tests expect it.
  QVnsScanConfig::CScanConfig clean;
  ASSERT_EQ(clean.ReadFromString(a.ScanConfig()), 0);
  clean.IgnoredThreats.Reset();
  clean.DaysToKeepQuarantinedItems.Set(0);
  ASSERT_EQ(clean.WriteToString(text), 0);
  ASSERT_EQ(a.SetScanConfig(text), S_OK);
}

TEST(EngineScan, FindsEicarQuarantinesRestoresAndDeletes) {
  EngineClient c;
  ASSERT_TRUE(c.ok() && c.Connect());
  TempDir dir, tmp;
  std::string eicar = rre::EicarTestString();
  WriteBytes(dir / L"eicar.com", eicar);
  WriteBytes(dir / L"eicar2.com", eicar + "\r\n");
  WriteBytes(dir / L"clean.txt", "nothing to see");

  ASSERT_EQ(RunCustomScan(c, {dir.path()}), kScanDoneThreats);
  auto states = c.sink.Of(Event::State);
  ASSERT_FALSE(states.empty());
  EXPECT_EQ(states.front().n[0], 1);  // started first
  auto progress = c.sink.Of(Event::Progress);
  std::vector<Event> threats;
  for (const auto& p : progress)
    if (!p.s[0].empty()) threats.push_back(p);
  ASSERT_EQ(threats.size(), 2u);
  EXPECT_EQ(threats[0].s[0], L"EICAR-Test-File");
  EXPECT_EQ(threats[0].n[0], 1001);
  EXPECT_EQ(threats[0].s[2], L"Test file");
  // Two traces of one threat: the count the scanning page shows is of threats.
  EXPECT_EQ(threats[0].n[1], 1);             // threats found so far
  EXPECT_EQ(threats[1].n[1], 1);
  EXPECT_EQ(threats[0].n[3], 1);             // traces found so far
  EXPECT_EQ(threats[1].n[3], 2);
  EXPECT_EQ(progress.back().n[2], 3);        // objects scanned
  EXPECT_TRUE(c.sink.OffThread() == false);  // delivered on this apartment's thread
  EXPECT_EQ(c.State(), kScanDoneThreats);
  long type = -1;
  unsigned char fromSchedule = 1;
  ASSERT_EQ(c.scan->GetScanInfo(&type, &fromSchedule), S_OK);
  EXPECT_EQ(type, 2);
  EXPECT_EQ(fromSchedule, 0);
  EngineString when;
  EXPECT_EQ(c.scan->GetLastScan(&type, when.Out()), S_OK);
  EXPECT_EQ(when.Str().size(), 19u);

  auto results = ReadResults(c);
  ASSERT_TRUE(results.threats);
  ASSERT_EQ(results.threats->threat.Count(), 1u);
  const auto& t = results.threats->threat[0];
  EXPECT_EQ(t.id.Get(), 1001u);
  EXPECT_EQ(t.adviseType.Get(), 3u);
  EXPECT_TRUE(t.canQuarantine.Get());
  ASSERT_TRUE(t.traces);
  EXPECT_EQ(t.traces->trace.Count(), 2u);

  // Threat details from the definitions.
  EngineString s[8];
  unsigned char known = 0, f[4] = {};
  long value = 0;
  ASSERT_EQ(c.definitions->GetThreatInfo(1001, &known, s[0].Out(), s[1].Out(), s[2].Out(),
                                         s[3].Out(), s[4].Out(), s[5].Out(), s[6].Out(), s[7].Out(),
                                         &f[0], &f[1], &f[2], &f[3], &value),
            S_OK);
  EXPECT_EQ(known, 1);
  EXPECT_EQ(s[4].Str(), L"EICAR-Test-File");
  EXPECT_FALSE(s[0].Str().empty());
  // The first two texts are the advice and the description, as the results file has them.
  EXPECT_EQ(s[0].Str(), t.threatAdviceDetails.Get());
  EXPECT_EQ(s[1].Str(), t.desc.Get());
  EXPECT_NE(s[0].Str(), s[1].Str());
  {
    // And through the client's own call.
    CEngineSession session;
    ASSERT_TRUE(session.CreateAll());
    const EngineThreatInfo info = QueryThreatInfo(1001, session);
    EXPECT_EQ(info.Advice(), t.threatAdviceDetails.Get());
    EXPECT_EQ(info.Description(), t.desc.Get());
    EXPECT_EQ(info.DisplayName(), L"EICAR-Test-File");
  }
  EXPECT_EQ(f[2], 4);  // level
  EXPECT_EQ(value, 3);
  EXPECT_EQ(c.definitions->GetThreatInfo(424242, &known, s[0].Out(), s[1].Out(), s[2].Out(),
                                         s[3].Out(), s[4].Out(), s[5].Out(), s[6].Out(), s[7].Out(),
                                         &f[0], &f[1], &f[2], &f[3], &value),
            S_FALSE);
  EXPECT_EQ(known, 0);

  // Clean to quarantine: one progress per trace, then the end.
  size_t before = QuarantineRecords().size();
  ASSERT_EQ(Clean(c, 3, tmp), S_OK);
  ASSERT_TRUE(c.sink.WaitState({kCleanDone, 112, 115}));
  EXPECT_EQ(c.sink.FirstState({kCleanDone, 112, 115}), kCleanDone);
  auto cleaned = c.sink.Of(Event::Clean);
  ASSERT_EQ(cleaned.size(), 2u);
  EXPECT_EQ(cleaned[0].s[0], L"EICAR-Test-File");
  EXPECT_EQ(cleaned[0].n[1], 50);
  EXPECT_EQ(cleaned[1].n[1], 100);
  EXPECT_FALSE(Exists(dir / L"eicar.com"));
  EXPECT_FALSE(Exists(dir / L"eicar2.com"));
  EXPECT_TRUE(Exists(dir / L"clean.txt"));
  long state = 0;
  unsigned char reboot = 1;
  c.scan->GetScanState(&state, &reboot);
  EXPECT_EQ(reboot, 0);
  results = ReadResults(c);
  const auto& done = results.threats->threat[0];
  EXPECT_EQ(done.cleanerResult.Get(), 3);
  std::wstring qid = done.quarantineId.Get();
  ASSERT_EQ(qid.size(), 36u);
  ASSERT_TRUE(results.summary && results.summary->cleanerResults &&
              results.summary->cleanerResults->numThreats);
  EXPECT_EQ(results.summary->cleanerResults->numThreats->quarantined.Get(), 1u);

  // Listed: one record in the quarantine folder, readable as a record document.
  auto records = QuarantineRecords();
  ASSERT_EQ(records.size(), before + 1);
  QVnsQuarantineFile::CARDOQuarantineRecordXML rec;
  ASSERT_EQ(rec.ReadFromFile(Quarantine() + qid + L".xml"), 0);
  EXPECT_EQ(rec.name.Get(), L"EICAR-Test-File");
  EXPECT_EQ(rec.quarantineId.Get(), qid);
  ASSERT_TRUE(rec.fixes);
  EXPECT_EQ(rec.fixes->fix.Count(), 2u);
  // The stored bytes are not detected again.
  EXPECT_EQ(RunCustomScan(c, {Folders().data}), kScanDone);

  // Restore puts both files back byte for byte and takes the item away.
  EngineString id(qid);
  EXPECT_EQ(c.quarantine->RestoreItem(id.Get(), nullptr, 0, long(GetCurrentProcessId())), S_OK);
  EXPECT_EQ(ReadBytes(dir / L"eicar.com"), eicar);
  EXPECT_EQ(ReadBytes(dir / L"eicar2.com"), eicar + "\r\n");
  EXPECT_FALSE(Exists(Quarantine() + qid + L".xml"));
  EXPECT_NE(c.quarantine->RestoreItem(id.Get(), nullptr, 0, 0), S_OK);

  // Restored with trust: the files become known applications, left alone by scans.
  ASSERT_EQ(RunCustomScan(c, {dir.path()}), kScanDoneThreats);
  ASSERT_EQ(Clean(c, 3, tmp), S_OK);
  ASSERT_TRUE(c.sink.WaitState({kCleanDone}));
  EngineString trusted(ReadResults(c).threats->threat[0].quarantineId.Get());
  ASSERT_EQ(c.quarantine->RestoreItem(trusted.Get(), nullptr, 1, 0), S_OK);
  EXPECT_EQ(RunCustomScan(c, {dir.path()}), kScanDone);
  QVnsScanConfig::CScanConfig cfg;
  ASSERT_EQ(cfg.ReadFromString(c.ScanConfig()), 0);
  ASSERT_TRUE(cfg.KnownApps);
  EXPECT_EQ(cfg.KnownApps->KnownApp.Count(), 2u);
  cfg.KnownApps.Reset();
  std::wstring text;
  ASSERT_EQ(cfg.WriteToString(text), 0);
  ASSERT_EQ(c.SetScanConfig(text), S_OK);

  // Quarantine again, then delete the item for good.
  ASSERT_EQ(RunCustomScan(c, {dir.path()}), kScanDoneThreats);
  ASSERT_EQ(Clean(c, -1, tmp), S_OK);  // -1: the advised action, quarantine
  ASSERT_TRUE(c.sink.WaitState({kCleanDone}));
  qid = ReadResults(c).threats->threat[0].quarantineId.Get();
  ASSERT_EQ(qid.size(), 36u);
  EngineString id2(qid);
  EXPECT_EQ(c.quarantine->DeleteItem(id2.Get()), S_OK);
  EXPECT_FALSE(Exists(Quarantine() + qid + L".xml"));
  EXPECT_EQ(QuarantineRecords().size(), before);
  EXPECT_FALSE(Exists(dir / L"eicar.com"));
  EXPECT_NE(c.quarantine->DeleteItem(id2.Get()), S_OK);
  for (const wchar_t* bad : {L"..\\Config\\ScanConfig", L"", L"*"}) {
    EngineString b(bad);
    EXPECT_EQ(c.quarantine->DeleteItem(b.Get()), E_INVALIDARG);
    EXPECT_EQ(c.quarantine->RestoreItem(b.Get(), nullptr, 0, 0), E_INVALIDARG);
  }
  EXPECT_TRUE(Exists(Folders().data + L"\\Config\\ScanConfig.xml"));
}

TEST(EngineScan, CleanActionsRestartFlagAndForgedRequests) {
  EngineClient c;
  ASSERT_TRUE(c.ok() && c.Connect());
  TempDir dir, tmp, outside;
  std::string eicar = rre::EicarTestString();
  WriteBytes(dir / L"locked.com", eicar);
  WriteBytes(dir / L"adware.bin", std::string("RRSAMPLE:") + "ADWARE-POPUP-19C2");
  WriteBytes(outside / L"precious.txt", "keep me");
  ASSERT_EQ(RunCustomScan(c, {dir.path()}), kScanDoneThreats);
  auto results = ReadResults(c);
  ASSERT_EQ(results.threats->threat.Count(), 2u);
  for (auto& t : results.threats->threat) {
    t.actionRequested.Set(t.id.Get() == 1001 ? 1
                                             : 2);  // delete the test file, only report the adware
    // A forged trace naming a file the engine never found is ignored.
    auto& forged = t.traces->trace.Append();
    forged.type.Set(1);
    forged.dispValue.Set(outside / L"precious.txt");
  }
  auto& fake = results.threats->threat.Append();
  fake.id.Set(2001);
  fake.name.Set(L"Trojan.RRSample.Dropper");
  fake.actionRequested.Set(1);
  fake.traces.Create().trace.Append().dispValue.Set(outside / L"precious.txt");

  // The test file is held open without delete sharing: removal waits for a restart.
  HANDLE hold = CreateFileW((dir / L"locked.com").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(hold, INVALID_HANDLE_VALUE);
  ASSERT_EQ(Clean(c, 0, tmp, &results), S_OK);
  ASSERT_TRUE(c.sink.WaitState({kCleanDone, 112, 115}));
  CloseHandle(hold);
  EXPECT_EQ(c.sink.Of(Event::Clean).size(), 2u);
  long state = 0;
  unsigned char reboot = 0;
  c.scan->GetScanState(&state, &reboot);
  EXPECT_EQ(state, kCleanDone);
  EXPECT_EQ(reboot, 1);
  auto after = ReadResults(c);
  ASSERT_EQ(after.threats->threat.Count(), 2u);
  for (const auto& t : after.threats->threat)
    EXPECT_EQ(t.cleanerResult.Get(), t.id.Get() == 1001 ? 6 : 2);
  EXPECT_TRUE(Exists(dir / L"adware.bin"));
  EXPECT_EQ(ReadBytes(outside / L"precious.txt"), "keep me");
  // The pending removal is the prefix's business now; take it back.
  MoveFileExW((dir / L"locked.com").c_str(), nullptr, 0);
  HKEY key;
  if (!RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0,
                     KEY_SET_VALUE, &key)) {
    RegDeleteValueW(key, L"PendingFileRenameOperations");
    RegCloseKey(key);
  }

  // A request that is not a results document, or no file at all, is refused.
  WriteBytes(tmp / L"junk.xml", "<NotResults/>");
  EngineString junk(tmp / L"junk.xml"), missing(tmp / L"missing.xml");
  EXPECT_EQ(c.scan->CleanThreats(junk.Get()), E_INVALIDARG);
  EXPECT_TRUE(FAILED(c.scan->CleanThreats(missing.Get())));
}

TEST(EngineScan, QuickAndFullScansSkipKnownAppsAndIgnoredThreats) {
  EngineClient c;
  ASSERT_TRUE(c.ok() && c.Connect());
  // The quick and full scan folders of the test engine are both Folders().quick.
  std::wstring known = Folders().quick + L"\\known.com", found = Folders().quick + L"\\found.com",
               adware = Folders().quick + L"\\adware.bin";
  WriteBytes(known, rre::EicarTestString());
  WriteBytes(found, rre::EicarTestString());
  WriteBytes(adware, std::string("RRSAMPLE:") + "ADWARE-POPUP-19C2");
  QVnsScanConfig::CScanConfig cfg;
  ASSERT_EQ(cfg.ReadFromString(c.ScanConfig()), 0);
  auto& app = cfg.KnownApps.Create().KnownApp.Append();
  app.FilePath.Set(known);
  app.FilePathType.Set(2);
  cfg.IgnoredThreats.Create().IgnoredThreat.Append().Id.Set(3001);
  std::wstring text;
  ASSERT_EQ(cfg.WriteToString(text), 0);
  ASSERT_EQ(c.SetScanConfig(text), S_OK);
  for (long type : {0L, 1L}) {
    ASSERT_EQ(c.scan->ResetScan(), S_OK);
    c.sink.Clear();
    ASSERT_EQ(c.scan->StartScan(type), S_OK);
    ASSERT_TRUE(c.sink.WaitState({kScanDone, kScanDoneThreats, 113, kScanStopped}));
    EXPECT_EQ(c.sink.FirstState({kScanDone, kScanDoneThreats, 113, kScanStopped}),
              kScanDoneThreats);
    auto r = ReadResults(c);
    ASSERT_TRUE(r.threats);
    ASSERT_EQ(r.threats->threat.Count(), 1u) << "type " << type;
    ASSERT_EQ(r.threats->threat[0].traces->trace.Count(), 1u);
    EXPECT_EQ(r.threats->threat[0].traces->trace[0].dispValue.Get(), found);
    EXPECT_EQ(r.summary->scannerResults->numThreats->ignored.Get(), 1u);
    long t = -1;
    unsigned char f = 1;
    c.scan->GetScanInfo(&t, &f);
    EXPECT_EQ(t, type);
  }
  for (const auto& p : {known, found, adware}) DeleteFileW(p.c_str());
  cfg.KnownApps.Reset();
  cfg.IgnoredThreats.Reset();
  ASSERT_EQ(cfg.WriteToString(text), 0);
  ASSERT_EQ(c.SetScanConfig(text), S_OK);
}

TEST(EngineQuarantine, ItemsOlderThanTheRetentionArePurged) {
  EngineClient c;
  ASSERT_TRUE(c.ok());
  auto plant = [](const std::wstring& id, const wchar_t* stamp) {
    QVnsQuarantineFile::CARDOQuarantineRecordXML rec;
    rec.quarantineId.Set(id);
    rec.name.Set(L"Planted");
    rec.dateTimeStampUTC.Set(stamp);
    rec.authorURL.Set(L"");
    rec.desc.Set(L"");
    rec.threatAdviceDetails.Set(L"");
    rec.customData.Set(L"");
    auto& fix = rec.fixes.Create().fix.Append();
    fix.dispValue.Set(L"C:\\nowhere\\planted.bin");
    auto& a = fix.quarantineAttributes.Create().attr.Append();
    a.n.Set(L"storage");
    a.v.Set(id + L"-0.dat");
    std::string text;
    ASSERT_EQ(rec.WriteToText(text), 0);
    WriteBytes(Quarantine() + id + L".xml", text);
    WriteBytes(Quarantine() + L"Data\\" + id + L"-0.dat", "RRQ1");
  };
  std::wstring oldId = L"00000000-1111-2222-3333-444444444444",
               newId = L"00000000-1111-2222-3333-555555555555";
  plant(oldId, L"2020-01-01T00:00:00");
  plant(newId, rre::NowUtcText().c_str());
  QVnsScanConfig::CScanConfig cfg;
  ASSERT_EQ(cfg.ReadFromString(c.ScanConfig()), 0);
  cfg.DaysToKeepQuarantinedItems.Set(0);  // 0 keeps everything
  std::wstring text;
  ASSERT_EQ(cfg.WriteToString(text), 0);
  ASSERT_EQ(c.SetScanConfig(text), S_OK);
  EXPECT_TRUE(Exists(Quarantine() + oldId + L".xml"));
  cfg.DaysToKeepQuarantinedItems.Set(15);
  ASSERT_EQ(cfg.WriteToString(text), 0);
  ASSERT_EQ(c.SetScanConfig(text), S_OK);
  EXPECT_FALSE(Exists(Quarantine() + oldId + L".xml"));
  EXPECT_FALSE(Exists(Quarantine() + L"Data\\" + oldId + L"-0.dat"));
  EXPECT_TRUE(Exists(Quarantine() + newId + L".xml"));
  // A damaged item cannot be restored and stays where it is.
  EngineString id(newId);
  EXPECT_TRUE(FAILED(c.quarantine->RestoreItem(id.Get(), nullptr, 0, 0)));
  EXPECT_TRUE(Exists(Quarantine() + newId + L".xml"));
  EXPECT_FALSE(Exists(L"C:\\nowhere\\planted.bin"));
  EXPECT_EQ(c.quarantine->DeleteItem(id.Get()), S_OK);
  cfg.DaysToKeepQuarantinedItems.Set(0);
  ASSERT_EQ(cfg.WriteToString(text), 0);
  ASSERT_EQ(c.SetScanConfig(text), S_OK);
}

TEST(EngineScan, PauseResumeAndStop) {
  EngineClient c;
  ASSERT_TRUE(c.ok() && c.Connect());
  TempDir dir;
  for (int d = 0; d < 5; ++d) {
    std::wstring sub = dir / (L"d" + std::to_wstring(d));
    CreateDirectoryW(sub.c_str(), nullptr);
    for (int f = 0; f < 100; ++f)
      WriteBytes(sub + L"\\f" + std::to_wstring(f), std::string(2000, char('a' + f % 26)));
  }
  SetCustomPaths(c, {dir.path()}, 10);
  ASSERT_EQ(c.scan->ResetScan(), S_OK);
  c.sink.Clear();
  ASSERT_EQ(c.scan->StartScan(2), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return c.sink.Of(Event::Progress).size() >= 2; }, 20000));
  EXPECT_EQ(c.scan->StartScan(2), HRESULT_FROM_WIN32(ERROR_BUSY));  // one session at a time
  ASSERT_EQ(c.scan->PauseScan(), S_OK);
  EXPECT_EQ(c.State(), kScanPaused);
  Pump(300);
  size_t held = c.sink.Of(Event::Progress).size();
  Pump(700);
  EXPECT_EQ(c.sink.Of(Event::Progress).size(), held);  // nothing moves while paused
  EXPECT_EQ(c.sink.FirstState({kScanDone, kScanStopped}), -1);
  ASSERT_EQ(c.scan->ResumeScan(), S_OK);
  EXPECT_EQ(c.State(), 1);
  ASSERT_TRUE(PumpUntil([&] { return c.sink.Of(Event::Progress).size() > held; }, 10000));
  ASSERT_EQ(c.scan->StopScan(), S_OK);
  ASSERT_TRUE(c.sink.WaitState({kScanDone, kScanStopped}));
  // Stopped before the end (unless the machine was fast enough to finish first).
  long end = c.sink.FirstState({kScanDone, kScanStopped});
  EXPECT_EQ(end, kScanStopped);
  EXPECT_EQ(c.State(), end);
  auto results = ReadResults(c);
  ASSERT_TRUE(results.summary);
  EXPECT_TRUE(results.summary->scannerAborted.Get());
  EXPECT_EQ(c.scan->ResetScan(), S_OK);
  EXPECT_EQ(c.State(), 0);
  EXPECT_EQ(c.scan->PauseScan(), HRESULT_FROM_WIN32(ERROR_INVALID_STATE));
  EXPECT_EQ(c.scan->StartScan(9), E_INVALIDARG);
}

namespace {

std::string NewerDefinitions(uint32_t version) {
  rre::Definitions d = rre::BuiltInDefinitions();
  d.version = version;
  d.date = rre::NowLocalText();
  rre::ThreatDef t;
  t.id = 5001;
  t.name = L"Worm.RRSample.Fresh";
  t.category = L"Worm";
  t.level = 2;
  t.advise = 3;
  t.byteRules.push_back({std::string("FRESH-") + "WORM-SIGNATURE-0042", -1});
  d.threats[t.id] = t;
  return rre::SerializeDefinitions(d);
}

void SetUpdateUrl(EngineClient& c, const std::wstring& url) {
  EngineString text;
  ASSERT_EQ(c.definitions->GetDefinitionUpdateConfig(text.Out()), S_OK);
  QVnsThreatDefinitionsConfig::CDefinitionUpdateConfig cfg;
  ASSERT_EQ(cfg.ReadFromString(text.Str()), 0);
  cfg.TROVEConfig.Create().BaseURL.Set(url);
  cfg.TROVEConfig->ProductID.Set(430);
  std::wstring out;
  ASSERT_EQ(cfg.WriteToString(out), 0);
  EngineString b(out);
  ASSERT_EQ(c.definitions->SetDefinitionUpdateConfig(b.Get()), S_OK);
}

long RunUpdate(EngineClient& c) {
  c.sink.Clear();
  EXPECT_EQ(c.definitions->UpdateDefinitions(), S_OK);
  long end = -1;
  PumpUntil(
      [&] {
        for (const auto& e : c.sink.Of(Event::Definitions))
          if (e.n[0] == 2 || e.n[0] == 3 || e.n[0] == 4 || e.n[0] == 7 || e.n[0] == 100 ||
              e.n[0] == 101)
            return end = e.n[0], true;
        return false;
      },
      30000);
  return end;
}

}  // namespace

TEST(EngineDefinitions, UpdateFromLocalServerAndCleanFailures) {
  EngineClient c;
  ASSERT_TRUE(c.ok() && c.Connect());
  long current = -1;
  EngineString date;
  ASSERT_EQ(c.definitions->GetDefinitionsStatus(&current, date.Out()), S_OK);
  EXPECT_EQ(current, 0);  // the built-in definitions are older than the update interval
  EXPECT_EQ(date.Str(), L"2026-12-01T00:00:00");

  HttpServer server;
  std::string body = NewerDefinitions(2099010100);
  // A broken file, then a server error, then nothing newer, then the real thing.
  std::string broken = body;
  broken[broken.size() / 2] ^= 0x20;
  server.Enqueue({200, "", {}, broken});
  server.Enqueue({500, "", {}, "oops"});
  server.Enqueue({204, "", {}, ""});
  server.Enqueue({200, "", {{"Content-Type", "application/octet-stream"}}, body});
  SetUpdateUrl(c, server.Url(L"/TROVE/trove.aspx"));

  EXPECT_EQ(RunUpdate(c), 100);
  EXPECT_EQ(RunUpdate(c), 4);
  EXPECT_EQ(RunUpdate(c), 2);
  ASSERT_EQ(RunUpdate(c), 3);
  auto ev = c.sink.Of(Event::Definitions);
  ASSERT_GE(ev.size(), 4u);
  EXPECT_EQ(ev.front().n[0], 0);
  bool sawProgress = false, sawInstall = false;
  for (const auto& e : ev) {
    if (e.n[0] == 5 && e.n[1] == long(body.size()) && e.n[2] == long(body.size()))
      sawProgress = true;
    if (e.n[0] == 1) sawInstall = true;
  }
  EXPECT_TRUE(sawProgress);
  EXPECT_TRUE(sawInstall);
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].target.rfind("/TROVE/trove.aspx?product=430", 0), 0u) << requests[0].target;

  ASSERT_EQ(c.definitions->GetDefinitionsStatus(&current, date.Out()), S_OK);
  EXPECT_EQ(current, 1);
  EngineString s[8];
  unsigned char known = 0, f[4];
  long value;
  EXPECT_EQ(c.definitions->GetThreatInfo(5001, &known, s[0].Out(), s[1].Out(), s[2].Out(),
                                         s[3].Out(), s[4].Out(), s[5].Out(), s[6].Out(), s[7].Out(),
                                         &f[0], &f[1], &f[2], &f[3], &value),
            S_OK);
  EXPECT_EQ(s[4].Str(), L"Worm.RRSample.Fresh");
  // The new rule detects.
  TempDir dir;
  WriteBytes(dir / L"worm.bin", std::string("xx FRESH-") + "WORM-SIGNATURE-0042 yy");
  EXPECT_EQ(RunCustomScan(c, {dir.path()}), kScanDoneThreats);
  // Offering the same version again changes nothing.
  server.Enqueue({200, "", {}, body});
  EXPECT_EQ(RunUpdate(c), 2);

  // No server listening.
  SetUpdateUrl(
      c, L"http://127.0.0.1:" + std::to_wstring(HttpServer::UnusedPort()) + L"/TROVE/trove.aspx");
  EXPECT_EQ(RunUpdate(c), 101);
  EXPECT_EQ(c.definitions->GetThreatInfo(5001, &known, s[0].Out(), s[1].Out(), s[2].Out(),
                                         s[3].Out(), s[4].Out(), s[5].Out(), s[6].Out(), s[7].Out(),
                                         &f[0], &f[1], &f[2], &f[3], &value),
            S_OK);
}

// A signature container from the definitions server: installed, and its
// signature finds the peer's test file on its own and inside a ZIP; cleaning
// quarantines the whole archive.
TEST(EngineDefinitions, SignatureContainerFindsThreatsInsideArchives) {
  EngineClient c;
  ASSERT_TRUE(c.ok() && c.Connect());
  std::string hsb =
      "71e7b604d18aefd839e51a39c88df8383bb4c071dc31f87f00a2b5df580d4495:544:ClamAV-Test-File\n";
  std::string cvd = maker::Container(maker::Gzip(maker::Tar({{"test.hsb", hsb}})), 31001);
  std::string damaged = cvd;
  damaged[damaged.size() - 10] ^= 1;
  HttpServer server;
  server.Enqueue({200, "", {}, damaged});
  server.Enqueue({200, "", {}, cvd});
  server.Enqueue({200, "", {}, cvd});
  SetUpdateUrl(c, server.Url(L"/TROVE/trove.aspx"));
  EXPECT_EQ(RunUpdate(c), 100) << "a container failing its checksum is refused";
  ASSERT_EQ(RunUpdate(c), 3);
  EXPECT_EQ(RunUpdate(c), 2) << "the same container again";
  EXPECT_TRUE(Exists(Folders().data + L"\\Definitions\\delivered.cvd"));

  TempDir dir, tmp;
  const std::wstring testFiles = L"Z:\\usr\\share\\clamav-testfiles\\";
  std::string zip = ReadBytes(testFiles + L"clam.zip");
  ASSERT_TRUE(WriteBytes(dir / L"clam.zip", zip));
  ASSERT_TRUE(CopyFileW((testFiles + L"clam.exe").c_str(), (dir / L"clam.exe").c_str(), FALSE));
  ASSERT_TRUE(WriteBytes(dir / L"clam.7z", ReadBytes(testFiles + L"clam.7z")));  // not unpacked
  ASSERT_EQ(RunCustomScan(c, {dir.path()}), kScanDoneThreats);
  auto results = ReadResults(c);
  ASSERT_TRUE(results.threats);
  ASSERT_EQ(results.threats->threat.Count(), 1u);
  const auto& t = results.threats->threat[0];
  EXPECT_EQ(t.name.Get(), L"ClamAV-Test-File");
  EXPECT_EQ(t.category.Get(), L"Test file");
  std::vector<std::wstring> traces;
  for (const auto& x : t.traces->trace) traces.push_back(x.dispValue.Get());
  std::sort(traces.begin(), traces.end());
  EXPECT_EQ(traces, (std::vector<std::wstring>{dir / L"clam.exe", dir / L"clam.zip>clam.exe"}));
  ASSERT_TRUE(results.summary && results.summary->scannerResults->errors);
  EXPECT_EQ(results.summary->scannerResults->errors->error.Count(), 0u);

  ASSERT_EQ(Clean(c, 3, tmp), S_OK);
  ASSERT_TRUE(c.sink.WaitState({kCleanDone}));
  EXPECT_FALSE(Exists(dir / L"clam.zip")) << "the whole archive is quarantined";
  EXPECT_FALSE(Exists(dir / L"clam.exe"));
  EXPECT_TRUE(Exists(dir / L"clam.7z"));
  std::wstring qid = ReadResults(c).threats->threat[0].quarantineId.Get();
  ASSERT_EQ(qid.size(), 36u);
  EngineString id(qid);
  ASSERT_EQ(c.quarantine->RestoreItem(id.Get(), nullptr, 0, 0), S_OK);
  EXPECT_EQ(ReadBytes(dir / L"clam.zip"), zip);
}

TEST(EngineSchedule, ScheduledScanRunsAtItsTime) {
  EngineClient c;
  ASSERT_TRUE(c.ok() && c.Connect());
  TempDir dir;
  WriteBytes(dir / L"eicar.com", rre::EicarTestString());
  ASSERT_EQ(c.scan->ResetScan(), S_OK);
  QVnsScanConfig::CScanConfig cfg;
  ASSERT_EQ(cfg.ReadFromString(c.ScanConfig()), 0);
  // Three seconds from now, every day (seconds are accepted for precision).
  SYSTEMTIME st;
  GetLocalTime(&st);
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  ULARGE_INTEGER u{{ft.dwLowDateTime, ft.dwHighDateTime}};
  u.QuadPart += 3 * rre::kTicksPerSecond;
  ft = {u.LowPart, u.HighPart};
  FileTimeToSystemTime(&ft, &st);
  wchar_t at[16];
  swprintf(at, 16, L"%02u:%02u:%02u", st.wHour, st.wMinute, st.wSecond);
  auto& s = cfg.ScanSchedules.Create().ScanSchedule.Append();
  s.ScheduleID.Set(0);
  s.ScanScheduleName.Set(L"custom scan");
  s.ScanType.Set(2);
  s.StartTime.Set(at);
  for (auto* day : {&s.EnableSun, &s.EnableMon, &s.EnableTue, &s.EnableWed, &s.EnableThu,
                    &s.EnableFri, &s.EnableSat})
    day->Set(true);
  s.Enabled.Set(true);
  auto& own = s.ScanSetting.Create();
  own.ScanType.Set(2);
  own.PathsToScan.Create().Paths.Append().Path.Set(dir.path());
  std::wstring text;
  ASSERT_EQ(cfg.WriteToString(text), 0);
  c.sink.Clear();
  ASSERT_EQ(c.SetScanConfig(text), S_OK);
  ASSERT_TRUE(c.sink.WaitState({1}, 15000));
  ASSERT_TRUE(c.sink.WaitState({kScanDone, kScanDoneThreats}, 30000));
  EXPECT_EQ(c.sink.FirstState({kScanDone, kScanDoneThreats}), kScanDoneThreats);
  long type = -1;
  unsigned char fromSchedule = 0;
  ASSERT_EQ(c.scan->GetScanInfo(&type, &fromSchedule), S_OK);
  EXPECT_EQ(type, 2);
  EXPECT_EQ(fromSchedule, 1);
  // It fires once, not again a second later.
  c.sink.Clear();
  Pump(2000);
  EXPECT_EQ(c.sink.FirstState({1}), -1);
  cfg.ScanSchedules.Reset();
  ASSERT_EQ(cfg.WriteToString(text), 0);
  ASSERT_EQ(c.SetScanConfig(text), S_OK);
}

TEST(EngineProtection, DownloadedThreatIsQuarantinedAndReported) {
  EngineClient c;
  ASSERT_TRUE(c.ok() && c.Connect());
  EngineString text;
  ASSERT_EQ(c.protection->GetAPConfig(text.Out()), S_OK);
  QVnsAPConfig::CAPConfig cfg;
  ASSERT_EQ(cfg.ReadFromString(text.Str()), 0);
  cfg.Enabled.Set(true);
  cfg.KnownBadApplicationResponseEnum.Set(5);
  std::wstring out;
  ASSERT_EQ(cfg.WriteToString(out), 0);
  EngineString b(out);
  ASSERT_EQ(c.protection->SetAPConfig(b.Get()), S_OK);
  Pump(500);  // the watch is set up

  size_t before = QuarantineRecords().size();
  std::wstring dropped = Folders().watch + L"\\download.com";
  WriteBytes(Folders().watch + L"\\harmless.txt", "fine");
  WriteBytes(dropped, rre::EicarTestString());
  ASSERT_TRUE(PumpUntil([&] { return !c.sink.Of(Event::Protection).empty(); }, 15000));
  auto events = c.sink.Of(Event::Protection);
  ASSERT_EQ(events.size(), 1u);
  QVnsAPEvent::CAPEvent ev;
  ASSERT_EQ(ev.ReadFromString(events[0].s[0]), 0);
  EXPECT_EQ(ev.EventTypeEnum.Get(), 2u);
  ASSERT_TRUE(ev.FileMonitor);
  EXPECT_EQ(ev.FileMonitor->FilePath.Get(), dropped);
  EXPECT_EQ(ev.FileMonitor->ThreatID.Get(), 1001u);
  ASSERT_TRUE(ev.FinalDispositionInfo);
  EXPECT_EQ(ev.FinalDispositionInfo->QID.Get().size(), 36u);
  EXPECT_FALSE(Exists(dropped));
  EXPECT_TRUE(Exists(Folders().watch + L"\\harmless.txt"));
  EXPECT_EQ(QuarantineRecords().size(), before + 1);

  // The other responses: report leaves the file, delete removes it; neither quarantines.
  struct Case {
    uint32_t response, disposition;
    bool stays;
  } cases[] = {{1, 1, true}, {3, 3, false}};
  for (const auto& k : cases) {
    cfg.KnownBadApplicationResponseEnum.Set(k.response);
    ASSERT_EQ(cfg.WriteToString(out), 0);
    EngineString set(out);
    ASSERT_EQ(c.protection->SetAPConfig(set.Get()), S_OK);
    Pump(500);
    c.sink.Clear();
    std::wstring file = Folders().watch + L"\\sub" + std::to_wstring(k.response) + L".com";
    WriteBytes(file, rre::EicarTestString());
    ASSERT_TRUE(PumpUntil([&] { return !c.sink.Of(Event::Protection).empty(); }, 15000));
    QVnsAPEvent::CAPEvent e;
    ASSERT_EQ(e.ReadFromString(c.sink.Of(Event::Protection)[0].s[0]), 0);
    ASSERT_TRUE(e.FinalDispositionInfo);
    EXPECT_EQ(e.FinalDispositionInfo->DispositionEnum.Get(), k.disposition);
    EXPECT_EQ(Exists(file), k.stays) << k.response;
    EXPECT_EQ(QuarantineRecords().size(), before + 1);
    DeleteFileW(file.c_str());
  }

  // Switched off: nothing is watched any more.
  cfg.Enabled.Set(false);
  ASSERT_EQ(cfg.WriteToString(out), 0);
  EngineString off(out);
  ASSERT_EQ(c.protection->SetAPConfig(off.Get()), S_OK);
  Pump(300);
  WriteBytes(dropped, rre::EicarTestString());
  Pump(1500);
  EXPECT_EQ(c.sink.Of(Event::Protection).size(), 1u);
  EXPECT_TRUE(Exists(dropped));
  DeleteFileW(dropped.c_str());
}

namespace {

std::vector<DWORD> ProcessesNamed(const wchar_t* name) {
  std::vector<DWORD> out;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return out;
  PROCESSENTRY32W pe{sizeof pe};
  for (BOOL more = Process32FirstW(snap, &pe); more; more = Process32NextW(snap, &pe))
    if (!_wcsicmp(pe.szExeFile, name)) out.push_back(pe.th32ProcessID);
  CloseHandle(snap);
  return out;
}

void Kill(DWORD pid) {
  HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
  ASSERT_NE(h, nullptr);
  TerminateProcess(h, 9);
  WaitForSingleObject(h, 10000);
  CloseHandle(h);
}

}  // namespace

// A killed engine: the client's calls fail (they do not hang), and a fresh
// creation starts a new engine. Under Wine the killed server's registration
// stays in the prefix's rpcss until that restarts; the test restarts it by
// ending rpcss.exe, which the prefix's service manager starts again on the
// next activation (in place of restarting the whole wineserver, which would
// end this test process too).
TEST(EngineZCrash, KilledMidScanFailsCleanlyAndANewEngineStarts) {
  TempDir dir;
  for (int f = 0; f < 300; ++f)
    WriteBytes(dir / (L"f" + std::to_wstring(f)), std::string(1000, 'k'));
  {
    EngineClient c;
    ASSERT_TRUE(c.ok() && c.Connect());
    SetCustomPaths(c, {dir.path()}, 10);
    ASSERT_EQ(c.scan->ResetScan(), S_OK);
    ASSERT_EQ(c.scan->StartScan(2), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return !c.sink.Of(Event::Progress).empty(); }, 20000));
    ASSERT_EQ(c.scan->PauseScan(), S_OK);  // certainly mid-scan
    auto engines = EngineProcesses();
    ASSERT_EQ(engines.size(), 1u);
    Kill(engines[0]);
    long state = 0;
    unsigned char reboot = 0;
    HRESULT hr = c.scan->GetScanState(&state, &reboot);
    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
    long v = 2;
    EXPECT_TRUE(FAILED(c.service->Ping(&v)));
  }
  for (DWORD pid : ProcessesNamed(L"rpcss.exe")) Kill(pid);
  EngineClient fresh;
  ASSERT_TRUE(fresh.ok() && fresh.Connect()) << std::hex << fresh.hr();
  EXPECT_EQ(EngineProcesses().size(), 1u);
  EXPECT_EQ(fresh.State(), 0);  // a new session
  QVnsScanConfig::CScanConfig cfg;
  ASSERT_EQ(cfg.ReadFromString(fresh.ScanConfig()), 0);  // the configuration survived
  EXPECT_EQ(cfg.ScanDetailCBIntervalMS.Get(), 10u);
  EXPECT_EQ(RunCustomScan(fresh, {dir.path()}), kScanDone);
}

// Last: the engine is told to stop; clients hear it and a new engine starts
// on the next creation, with the state it kept on disk.
TEST(EngineZLifetime, StopIsAnnouncedAndANewEngineStarts) {
  DWORD first = 0;
  {
    EngineClient c;
    ASSERT_TRUE(c.ok() && c.Connect());
    auto procs = EngineProcesses();
    ASSERT_EQ(procs.size(), 1u);
    first = procs[0];
    EXPECT_EQ(RunEngine(L"/stop"), 0u);
    ASSERT_TRUE(PumpUntil([&] { return !c.sink.Of(Event::Service).empty(); }, 15000));
    EXPECT_EQ(c.sink.Of(Event::Service)[0].n[0], 0);
    ASSERT_TRUE(PumpUntil([] { return EngineProcesses().empty(); }, 15000));
    long v = 2;
    EXPECT_TRUE(FAILED(c.service->Ping(&v)));
  }
  EngineClient again;
  ASSERT_TRUE(again.ok()) << std::hex << again.hr();
  auto procs = EngineProcesses();
  ASSERT_EQ(procs.size(), 1u);
  EXPECT_NE(procs[0], first);
  EngineString folder;
  ASSERT_EQ(again.service->GetDataFolder(folder.Out()), S_OK);
  EXPECT_EQ(folder.Str(), Folders().data + L"\\");
}

TEST(EngineZLifetime, UnreadableStoredFilesAreKeptAsideNotLost) {
  ASSERT_TRUE(StopEngines());
  std::wstring config = Folders().data + L"\\Config\\ServiceConfig.xml",
               defs = Folders().data + L"\\Definitions\\current.rrdefs";
  WriteBytes(config, "<ServiceConfig LogLevel=");
  WriteBytes(defs, "RRDEFS 1\nversion 9\n");
  EngineClient c;
  ASSERT_TRUE(c.ok());
  EngineString text;
  ASSERT_EQ(c.service->GetServiceConfig(text.Out()), S_OK);  // defaults
  EXPECT_NE(text.Str().find(L"<ServiceConfig"), std::wstring::npos);
  long current;
  EngineString date;
  ASSERT_EQ(c.definitions->GetDefinitionsStatus(&current, date.Out()), S_OK);
  EXPECT_EQ(date.Str(), L"2026-12-01T00:00:00");  // the built-in definitions
  // The unreadable files are still there, under another name.
  auto aside = [](const std::wstring& path) {
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW((path + L".unreadable-*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE) return std::string();
    FindClose(f);
    return ReadBytes(path.substr(0, path.find_last_of(L'\\') + 1) + fd.cFileName);
  };
  EXPECT_EQ(aside(config), "<ServiceConfig LogLevel=");
  EXPECT_EQ(aside(defs), "RRDEFS 1\nversion 9\n");
}

TEST(EngineZLifetime, EngineEndsWhenTheLastClientGoes) {
  {
    EngineClient c;
    ASSERT_TRUE(c.ok());
    ASSERT_EQ(EngineProcesses().size(), 1u);
  }
  EXPECT_TRUE(PumpUntil([] { return EngineProcesses().empty(); }, 20000));
}
