// Reads every hostile variant of each engine document (the reader sweep's
// table) and prints, per document, the slowest variant next to pugixml's
// parse of the same bytes, and the variant with the worst ratio between the
// two. Also prints the time of documents with many entity declarations.
// Prints figures; checks nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include <pugixml.hpp>

#include "engine/documents/ScanResults.h"
#include "support/BenchClock.h"
#include "support/HostileDocuments.h"

namespace {

// Best of a few runs (one run for the slow ones).
template <class F>
double Time(F&& f) {
  double best = 1e30;
  double spent = 0;
  for (int i = 0; i < 5 && spent < 0.2; ++i) {
    double t0 = BenchNowSeconds();
    f();
    double t = BenchNowSeconds() - t0;
    spent += t;
    best = std::min(best, t);
  }
  return best;
}

double PugiParse(const std::string& bytes) {
  return Time([&] {
    pugi::xml_document doc;
    doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_doctype);
  });
}

struct Worst {
  std::string what;
  size_t bytes = 0;
  double ours = 0, pugi = 0;
  int code = 0;
};

void Print(const char* label, const Worst& w) {
  std::printf(
      "  %-13s %-58.58s %9zu bytes  code %2d  ours %9.3f ms  pugixml %9.3f ms  ratio %6.2f\n",
      label, w.what.c_str(), w.bytes, w.code, w.ours * 1e3, w.pugi * 1e3,
      w.pugi > 0 ? w.ours / w.pugi : 0.0);
}

}  // namespace

int wmain() {
  std::printf(
      "Hostile variants of each engine document: slowest read and worst ratio to pugixml\n");
  double total = 0;
  Worst overall;
  for (const auto& r : testsupport::EngineDocumentReaders()) {
    const auto variants = testsupport::HostileVariants(r.valid);
    Worst slowest, ratio;
    double ratioValue = 0;
    for (const auto& v : variants) {
      int code = 0;
      double ours = Time([&] { code = r.read(v.bytes).code; });
      total += ours;
      // pugixml only where it matters: slow reads and the big variants.
      if (ours < 1e-4 && v.bytes.size() < 65536) continue;
      double pugi = PugiParse(v.bytes);
      Worst w{v.kind + ", " + v.what, v.bytes.size(), ours, pugi, code};
      if (ours > slowest.ours) slowest = w;
      double q = pugi > 0 ? ours / pugi : 0;
      if (q > ratioValue) {
        ratioValue = q;
        ratio = w;
      }
      if (ours > overall.ours) overall = w, overall.what = std::string(r.document) + ": " + w.what;
    }
    std::printf("%s (%zu variants)\n", r.document, variants.size());
    Print("slowest", slowest);
    Print("worst ratio", ratio);
  }
  std::printf("All variants read in %.3f s; slowest of all:\n", total);
  Print("", overall);

  std::printf("Entity declarations, each referenced once (results document)\n");
  for (int count : {1000, 8000, 32000, 128000}) {
    std::string subset, refs;
    for (int i = 0; i < count; ++i) {
      subset += "<!ENTITY e" + std::to_string(i) + " \"v\">";
      refs += "&e" + std::to_string(i) + ";";
    }
    std::string text = "<!DOCTYPE ARDOThreatEngineResults [" + subset +
                       "]><ARDOThreatEngineResults version=\"" + refs + "\"/>";
    int code = 0;
    double ours = Time([&] {
      QVnsScanResults::CARDOThreatEngineResults doc;
      code = doc.ReadFromMemory(text.data(), text.size());
    });
    double pugi = PugiParse(text);
    std::printf("  %6d declarations %8zu bytes  code %2d  ours %9.3f ms  pugixml %9.3f ms\n", count,
                text.size(), code, ours * 1e3, pugi * 1e3);
  }
  return 0;
}
