#include "support/DialogTemplate.h"

namespace testsupport {

namespace {

void Align(std::vector<WORD>& b) {
  if (b.size() % 2) b.push_back(0);  // DWORD alignment
}
void PutDword(std::vector<WORD>& b, DWORD v) {
  b.push_back(LOWORD(v));
  b.push_back(HIWORD(v));
}
void PutString(std::vector<WORD>& b, const std::wstring& s) {
  for (wchar_t c : s) b.push_back(static_cast<WORD>(c));
  b.push_back(0);
}

}  // namespace

DialogTemplate::DialogTemplate(DWORD style, short cx, short cy, const std::wstring& title)
    : m_style(style | DS_SETFONT), m_cx(cx), m_cy(cy), m_title(title) {}

DialogTemplate& DialogTemplate::Add(const std::wstring& className, const std::wstring& text,
                                    WORD id, DWORD style, short x, short y, short cx, short cy,
                                    DWORD exStyle) {
  m_items.push_back({className, text, id, style, exStyle, x, y, cx, cy});
  return *this;
}

const DLGTEMPLATE* DialogTemplate::get() {
  std::vector<WORD>& b = m_buffer;
  b.clear();
  PutDword(b, m_style);
  PutDword(b, 0);
  b.push_back(static_cast<WORD>(m_items.size()));
  b.push_back(0);
  b.push_back(0);
  b.push_back(static_cast<WORD>(m_cx));
  b.push_back(static_cast<WORD>(m_cy));
  b.push_back(0);  // no menu
  b.push_back(0);  // default class
  PutString(b, m_title);
  b.push_back(8);  // font size
  PutString(b, L"MS Shell Dlg");
  for (const Item& it : m_items) {
    Align(b);
    PutDword(b, it.style | WS_CHILD);
    PutDword(b, it.exStyle);
    b.push_back(static_cast<WORD>(it.x));
    b.push_back(static_cast<WORD>(it.y));
    b.push_back(static_cast<WORD>(it.cx));
    b.push_back(static_cast<WORD>(it.cy));
    b.push_back(it.id);
    PutString(b, it.cls);
    PutString(b, it.text);
    b.push_back(0);  // no creation data
  }
  return reinterpret_cast<const DLGTEMPLATE*>(b.data());
}

}  // namespace testsupport
