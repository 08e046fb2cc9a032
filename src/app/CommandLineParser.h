// The command line as an ordered map from switch name to its values:
// "/name", "/name:value", "/name:a,b" and quoted values with doubled quotes.
#pragma once

#include <map>
#include <string>
#include <vector>

class CCommandLineParser {
 public:
  using SwitchMap = std::map<std::wstring, std::vector<std::wstring>>;

  // Adds the switches of text to the map; a repeated switch gets the new
  // values appended to its existing list.
  void ParseCommandLine(const std::wstring& text);
  bool HasSwitch(const std::wstring& name) const;
  // The first value, or the empty text when the switch is absent or has none.
  std::wstring GetSwitchValue(const std::wstring& name) const;
  void RemoveSwitch(const std::wstring& name);
  // The map written back: "/name" or "/name:"v1","v2"" per entry, one space apart.
  std::wstring BuildCommandLine() const;

  const SwitchMap& Switches() const { return m_switches; }

 private:
  SwitchMap m_switches;
};
