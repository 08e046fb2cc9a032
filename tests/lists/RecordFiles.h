#pragma once
// Quarantine record documents for tests, as the engine writes them.
#include <string>
#include <vector>

namespace lists {

struct RecordFields {
  std::wstring id = L"0A1B2C3D-0000-4000-8000-00000000000F";
  std::wstring name = L"Trojan.Test";
  std::wstring stamp = L"2009-05-01T10:00:00";
  std::vector<std::wstring> fixes = {L"C:\\Users\\me\\bad.exe"};
  bool withDesc = true;
};

// The UTF-8 document text of a record (category "Trojan", level 2, advice
// type 3, description "Bad", advice "Remove it").
std::string RecordXml(const RecordFields& record);

}  // namespace lists
