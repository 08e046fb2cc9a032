#pragma once
// Temporary folders holding small theme documents written by the tests.

#include <windows.h>

#include <string>
#include <string_view>

class TempThemeDir {
 public:
  TempThemeDir();
  ~TempThemeDir();
  TempThemeDir(const TempThemeDir&) = delete;
  TempThemeDir& operator=(const TempThemeDir&) = delete;

  const std::wstring& path() const { return m_path; }
  // Writes raw bytes to a file below the folder and returns its full path.
  std::wstring Write(std::wstring_view name, std::string_view bytes) const;

 private:
  std::wstring m_path;
};

// Wraps section XML ("<strings>...</strings><colors>...</colors>") in the ui root element.
std::string UiDocument(std::string_view sections);

// The output folder holding the shipped theme (the tests' working directory).
std::wstring OutputFolder();
