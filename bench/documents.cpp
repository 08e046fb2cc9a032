// Reads and writes a generated results document of about 5 MB through the
// document binding and compares the times with pugixml's own parse and save
// of the same bytes, in the same run. Prints figures; checks nothing.
#include <windows.h>

#include <cstdio>
#include <string>

#include <pugixml.hpp>

#include "engine/documents/ScanResults.h"
#include "support/BenchClock.h"

namespace {

template <class F>
double Best(int runs, F&& f) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    double t0 = BenchNowSeconds();
    f();
    double t = BenchNowSeconds() - t0;
    if (t < best) best = t;
  }
  return best;
}

std::string Generate(size_t targetBytes) {
  using namespace QVnsScanResults;
  CARDOThreatEngineResults doc;
  doc.version.Set(L"4.0.0");
  Csummary& summary = doc.summary.Create();
  summary.scanGUID.Set(L"{6F1C2A9E-0000-4000-8000-000000000001}");
  summary.threatDefinitionVersion.Set(3021);
  CnumTraces& scanned = summary.scannerResults.Create().numTracesScanned.Create();
  scanned.files.Set(120000);
  scanned.total.Set(125000);
  Cthreats& threats = doc.threats.Create();
  std::string text;
  for (uint32_t i = 0;; ++i) {
    Cthreat_2& t = threats.threat.Append();
    t.id.Set(1000 + i);
    t.name.Set(L"Trojan.Generic." + std::to_wstring(i) + L" <variant> & 'co'");
    t.level.Set(1 + i % 5);
    t.category.Set(L"Trojan");
    t.type.Set(L"file");
    t.adviseType.Set(3);
    t.canQuarantine.Set(true);
    t.author.Set(L"Unknown");
    t.actionRequested.Set(-1);
    t.CategoryID.Set(9);
    t.desc.Set(L"A program that pretends to be useful while it does harm: \u00e9\u2713.");
    Ctraces& traces = t.traces.Create();
    for (int k = 0; k < 6; ++k) {
      Ctrace& trace = traces.trace.Append();
      trace.type.Set(1 + k % 3);
      trace.dispValue.Set(L"C:\\Users\\someone\\AppData\\Local\\Temp\\dropper" +
                          std::to_wstring(i) + L"\\part" + std::to_wstring(k) + L".exe");
      for (int a = 0; a < 3; ++a) {
        Cattr& attr = trace.attr.Append();
        attr.n.Set(a == 0 ? L"md5" : a == 1 ? L"size" : L"crc8");
        attr.v.Set(a == 0 ? L"0123456789abcdef0123456789abcdef" : std::to_wstring(4096 * (k + 1)));
      }
    }
    if (i % 200 == 199) {
      doc.WriteToText(text);
      if (text.size() >= targetBytes) break;
    }
  }
  return text;
}

struct StringWriter : pugi::xml_writer {
  std::string out;
  void write(const void* data, size_t size) override {
    out.append(static_cast<const char*>(data), size);
  }
};

}  // namespace

int wmain() {
  const std::string text = Generate(5u << 20);
  const int runs = 7;

  pugi::xml_document pdoc;
  double pugiParse = Best(runs, [&] {
    pdoc.reset();
    pdoc.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
  });
  StringWriter saved;
  double pugiSave = Best(runs, [&] {
    saved.out.clear();
    pdoc.save(saved, L"\t", pugi::format_default, pugi::encoding_utf8);
  });

  QVnsScanResults::CARDOThreatEngineResults doc;
  int readCode = 0;
  double bindRead = Best(runs, [&] { readCode = doc.ReadFromMemory(text.data(), text.size()); });
  std::string written;
  int writeCode = 0;
  double bindWrite = Best(runs, [&] { writeCode = doc.WriteToText(written); });

  std::printf("document: %.2f MB, %zu threats\n", text.size() / 1048576.0,
              doc.threats ? doc.threats->threat.Count() : 0);
  std::printf("read code %d, write code %d, round trip %s\n", readCode, writeCode,
              written == text ? "identical" : "DIFFERS");
  std::printf("pugixml parse   %8.2f ms\n", pugiParse * 1e3);
  std::printf("binding read    %8.2f ms   ratio %.2f (goal <= 2.0)\n", bindRead * 1e3,
              bindRead / pugiParse);
  std::printf("pugixml save    %8.2f ms   (%zu bytes)\n", pugiSave * 1e3, saved.out.size());
  std::printf("binding write   %8.2f ms   ratio %.2f (goal <= 2.0)\n", bindWrite * 1e3,
              bindWrite / pugiSave);
  return 0;
}
