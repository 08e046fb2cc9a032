// Hostile variants of a valid engine document, for the reader sweep and its
// benchmark: truncations at every structural boundary, byte flips, huge
// attributes, deep nesting, entity tricks, bad UTF-16 and wrong declarations.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

struct HostileDocument {
  std::string kind;   // "truncation", "byte flip", "huge attribute", ...
  std::string what;   // the variant within its kind
  std::string bytes;  // the document as handed to the reader
};

// The variants of `valid`, a UTF-8 document in the writer's layout.
std::vector<HostileDocument> HostileVariants(const std::string& valid);

// The code of a read, and the code its error record holds.
struct ReadOutcome {
  int code;
  int recorded;
};

// One engine document reader, with a valid document of its kind.
struct EngineDocumentReader {
  const char* document;
  const char* valid;
  ReadOutcome (*read)(const std::string&);
};

// Every engine document reader.
const std::vector<EngineDocumentReader>& EngineDocumentReaders();

}  // namespace testsupport
