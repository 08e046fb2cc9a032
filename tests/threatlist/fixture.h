#pragma once
// Shared pieces of the threat-list tests: results documents written from a
// few fields per threat, a scratch folder, and a message pump that offers
// keys to the windows' pre-translation as the program's loop does.

#include <windows.h>

#include <string>
#include <vector>

namespace tl {

struct ThreatSpec {
  unsigned id = 1;
  std::wstring name;
  int level = 3;
  std::wstring category = L"Trojan";
  int adviseType = 1;
  bool canQuarantine = true;
  int actionRequested = -1;
  int cleanerResult = 0;
  std::vector<std::wstring> traces;
};

// A results document ("ARDOThreatEngineResults") holding the threats.
std::wstring ResultsXml(const std::vector<ThreatSpec>& threats);

// A folder below the temporary folder, removed with its files.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::wstring& path() const { return m_path; }
  std::wstring File(const std::wstring& name) const { return m_path + L"\\" + name; }
  // Writes text as UTF-8 (no byte order mark).
  std::wstring Write(const std::wstring& name, const std::wstring& text) const;

 private:
  std::wstring m_path;
};

bool FileExists(const std::wstring& path);
std::vector<unsigned char> ReadBytes(const std::wstring& path);

// Dispatches queued messages, offering each to fw::PreTranslate first, for ms.
void PumpKeys(DWORD ms = 30);
// Lets the window system finish moving the activation and focus (without a
// window manager, Wine learns of its own focus changes from the X server a
// little later): pumps until the focus has stayed where it is for 100 ms.
void SettleFocus();
// Posts a key press (down and up) to a window and pumps.
void PressKey(HWND hwnd, UINT vk, bool alt = false);
// Posts a left click at a client point of a window and pumps.
void Click(HWND hwnd, POINT pt);

}  // namespace tl
