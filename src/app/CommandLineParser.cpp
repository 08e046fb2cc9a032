#include "app/CommandLineParser.h"

#include <algorithm>

void CCommandLineParser::ParseCommandLine(const std::wstring& text) {
  const size_t n = text.size();
  size_t i = 0;
  bool inName = false;
  bool haveSwitch = false;
  std::vector<std::wstring>* current = nullptr;  // null: values are dropped
  auto nearest = [&](wchar_t c) {
    size_t p = text.find(c, i);
    return p == std::wstring::npos ? n : p;
  };

  while (i < n) {
    if (inName) {
      inName = false;
      if (text[i] == L'/') continue;  // an empty name: the next slash starts a new one
      size_t end = std::min({nearest(L'/'), nearest(L':'), nearest(L' ')});
      std::wstring name = text.substr(i, end - i);
      current = name.empty() ? nullptr : &m_switches[name];
      haveSwitch = true;
      i = end;
      continue;
    }
    if (!haveSwitch) {
      size_t slash = text.find(L'/', i);
      i = slash == std::wstring::npos ? n : slash + 1;
      inName = true;
      continue;
    }
    wchar_t c = text[i];
    if (c == L',' || c == L':') {
      ++i;
    } else if (c == L'/' || c == L' ') {
      haveSwitch = false;
    } else if (c == L'"') {
      std::wstring value;
      size_t j = i + 1;
      for (;;) {
        size_t quote = text.find(L'"', j);
        if (quote == std::wstring::npos) {  // no closing quote: the rest is the value
          value.append(text, j, std::wstring::npos);
          i = n;
          break;
        }
        value.append(text, j, quote - j);
        if (quote + 1 < n && text[quote + 1] == L'"') {  // a doubled quote stands for one
          value.push_back(L'"');
          j = quote + 2;
          continue;
        }
        i = quote + 1;
        break;
      }
      if (current) current->push_back(std::move(value));
    } else {
      size_t end = std::min({nearest(L' '), nearest(L','), nearest(L'/')});
      if (current) current->push_back(text.substr(i, end - i));
      i = end;
    }
  }
}

bool CCommandLineParser::HasSwitch(const std::wstring& name) const {
  return m_switches.count(name) != 0;
}

std::wstring CCommandLineParser::GetSwitchValue(const std::wstring& name) const {
  auto it = m_switches.find(name);
  if (it == m_switches.end() || it->second.empty()) return {};
  return it->second.front();
}

void CCommandLineParser::RemoveSwitch(const std::wstring& name) { m_switches.erase(name); }

std::wstring CCommandLineParser::BuildCommandLine() const {
  std::wstring out;
  for (const auto& [name, values] : m_switches) {
    if (!out.empty()) out += L' ';
    out += L'/';
    out += name;
    if (values.empty()) continue;
    out += L':';
    for (size_t k = 0; k < values.size(); ++k) {
      if (k) out += L',';
      out += L'"';
      for (wchar_t c : values[k]) {
        if (c == L'"') out += L'"';
        out += c;
      }
      out += L'"';
    }
  }
  return out;
}
