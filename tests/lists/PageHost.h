#pragma once
// Set-up shared by the list pages' tests: the shipped theme, an application
// object whose message-box, folder-browser and file-open seams answer from
// scripts and record what was asked, the fake engine with a session on it, and
// a visible top-level window that hosts one page at the main frame's page size.
#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/WinAppEx.h"
#include "support/FakeEngine.h"

namespace lists {

struct AskedBox {
  std::wstring text;
  UINT type;
};

class ScriptedApp : public CWinAppEx {
 public:
  ScriptedApp();
  std::vector<AskedBox> boxes;
  std::deque<int> boxAnswers;  // empty: IDOK, or IDYES for Yes/No boxes
  std::deque<std::optional<std::wstring>> folderAnswers;  // empty: cancelled
  std::deque<std::optional<std::wstring>> fileAnswers;    // empty: cancelled
  int folderOpenings = 0;
  int fileOpenings = 0;
  DWORD lastFileFlags = 0;
  DWORD lastFolderFlags = 0;
};

// A plain top-level window the page lives in.
class HostWindow {
 public:
  HostWindow(int width, int height);
  ~HostWindow();
  HWND hwnd() const { return m_hwnd; }

 private:
  HWND m_hwnd = nullptr;
};

// The page area of the main window at its default size.
inline constexpr int kPageWidth = 760;
inline constexpr int kPageHeight = 480;

// Dispatches every queued message.
void Pump();
// A key pressed and released on the focused window, through the message loop
// (so the dialog manager sees it as it would a typed key).
void TypeKey(UINT vk);

// Writes bytes to a file (creating it); true on success.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
bool FileExists(const std::wstring& path);
// A fresh empty folder under the temporary folder; removed with RemoveTree.
std::wstring MakeScratchFolder(const std::wstring& tag);
void RemoveTree(const std::wstring& path);

// The text of a string-table entry of the shipped resource library.
std::wstring Res(UINT id);

}  // namespace lists
