#pragma once
// Builds dialog templates in memory for tests and tools (DLGTEMPLATE with
// DS_SETFONT, items in dialog units).

#include <windows.h>

#include <string>
#include <vector>

namespace testsupport {

class DialogTemplate {
 public:
  DialogTemplate(DWORD style, short cx, short cy, const std::wstring& title = L"");
  // className: a class name ("Button", "msctls_progress32", ...).
  DialogTemplate& Add(const std::wstring& className, const std::wstring& text, WORD id, DWORD style,
                      short x, short y, short cx, short cy, DWORD exStyle = 0);
  const DLGTEMPLATE* get();

 private:
  struct Item {
    std::wstring cls, text;
    WORD id;
    DWORD style, exStyle;
    short x, y, cx, cy;
  };
  DWORD m_style;
  short m_cx, m_cy;
  std::wstring m_title;
  std::vector<Item> m_items;
  std::vector<WORD> m_buffer;
};

}  // namespace testsupport
