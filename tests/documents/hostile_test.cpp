// Every engine document reader against hostile variants of a valid document:
// none may crash, and each must answer one of the reader's numbered codes.
// (Their time is measured by bench/hostile_documents.)
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Fixtures.h"
#include "engine/documents/Binding.h"
#include "engine/documents/ScanResults.h"
#include "support/HostileDocuments.h"

namespace {

// The codes a read may answer: success and the numbered failures, but not
// "undefined error", which would mean the reader lost track of the input.
bool IsReadCode(int code) {
  return code >= DocBinding::kNoError && code <= DocBinding::kOccursOnMarshaling &&
         code != DocBinding::kUndefinedError;
}

}  // namespace

TEST(HostileDocuments, EveryReaderAnswersANumberedCode) {
  for (const auto& r : testsupport::EngineDocumentReaders()) {
    ASSERT_EQ(0, r.read(r.valid).code) << r.document << ": the valid document";
    size_t variants = 0, refused = 0;
    for (const auto& v : testsupport::HostileVariants(r.valid)) {
      testsupport::ReadOutcome got = r.read(v.bytes);
      ++variants;
      refused += got.code != 0;
      EXPECT_TRUE(IsReadCode(got.code))
          << r.document << ", " << v.kind << ", " << v.what << ": code " << got.code;
      EXPECT_EQ(got.code, got.recorded)
          << r.document << ", " << v.kind << ", " << v.what << ": the record holds another code";
    }
    // Hostile input is refused far more often than not: a reader that took
    // everything would pass the checks above.
    EXPECT_GT(refused * 2, variants) << r.document << ": " << refused << " of " << variants;
  }
}

TEST(HostileDocuments, EntityTricksAreRefusedWithTheirCodes) {
  struct Case {
    const char* what;
    int code;
  };
  // Each named variant of the results document, and the code it must get.
  const Case cases[] = {
      {"1000 declarations, each referenced", DocBinding::kNoError},
      {"32000 declarations", DocBinding::kUnexpectedEntity},
      {"the same name declared 100000 times", DocBinding::kUnexpectedEntity},
      {"expansion bomb", DocBinding::kUnexpectedEntity},
      {"one long value referenced 10000 times", DocBinding::kUnexpectedEntity},
      {"empty expansions of a long value", DocBinding::kUnexpectedEntity},
      {"recursion", DocBinding::kRecursiveEntity},
      {"self reference", DocBinding::kRecursiveEntity},
      {"markup in the value", DocBinding::kUnexpectedEntity},
      {"undeclared", DocBinding::kEntityNotFound},
      {"external", DocBinding::kExternalEntity},
      {"parameter entity", DocBinding::kUnexpectedEntity},
      {"external DOCTYPE", DocBinding::kExternalEntity},
      {"two DOCTYPEs", DocBinding::kBadDtd},
  };
  const auto variants = testsupport::HostileVariants(fixtures::kResults);
  for (const Case& c : cases) {
    bool found = false;
    for (const auto& v : variants) {
      if (v.kind != "entity" || v.what != c.what) continue;
      found = true;
      QVnsScanResults::CARDOThreatEngineResults doc;
      EXPECT_EQ(c.code, doc.ReadFromMemory(v.bytes.data(), v.bytes.size())) << c.what;
    }
    EXPECT_TRUE(found) << c.what;
  }
}
