// RodeRedudScan.exe: the engine's matcher on the command line, for checking its
// verdicts against other scanners on the same files.
//
//   RodeRedudScan.exe <signature folder> <file or folder>...
//
// Reads the signature databases of the folder (as the engine reads its
// definitions folder) besides the built-in definitions, scans every file (and
// the archives in it) and prints one line per file: "<path>: <name> FOUND" or
// "<path>: OK" ("<path>: ERROR <code>" when unreadable). Exit code 1 when
// something was found, 2 on errors, else 0.

#include <windows.h>

#include <cstdio>
#include <string>

#include "Definitions.h"
#include "Scanner.h"
#include "Signatures.h"
#include "Text.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    fwprintf(stderr, L"usage: RodeRedudScan <signature folder> <file or folder>...\n");
    return 2;
  }
  rre::Definitions defs = rre::BuiltInDefinitions();
  rre::SignatureReport report;
  defs.Import(rre::LoadSignatureFolder(argv[1], report));
  for (const auto& n : report.notes) fprintf(stderr, "%s\n", n.c_str());
  rre::Matcher matcher(defs);
  rre::ScanControl control;
  rre::ScanOptions options;
  for (int i = 2; i < argc; ++i) options.roots.push_back(argv[i]);
  rre::Scanner scanner(matcher, options, control);
  std::wstring current;
  bool found = false, failed = false;
  auto finishCurrent = [&] {
    bool unread = !scanner.Errors().empty() && scanner.Errors().back().item == current;
    if (!current.empty() && !unread) printf("%s: OK\n", ToBytes(current).c_str());
    current.clear();
  };
  scanner.onFile = [&](const std::wstring& path, const rre::ScanStats&) {
    finishCurrent();
    current = path;
  };
  scanner.onDetection = [&](const rre::Detection& d, const rre::ScanStats&) {
    const rre::ThreatDef* t = defs.Find(d.threatId);
    printf("%s: %s FOUND\n", ToBytes(d.path).c_str(),
           t ? ToBytes(t->name).c_str() : std::to_string(d.threatId).c_str());
    current.clear();
    found = true;
  };
  scanner.Run();
  finishCurrent();
  for (const auto& e : scanner.Errors()) {
    printf("%s: ERROR %u\n", ToBytes(e.item).c_str(), e.code);
    failed = true;
  }
  fflush(stdout);
  return failed ? 2 : found ? 1 : 0;
}
