#pragma once
// Thin wrappers of the platform's controls. Each is a CWnd that is either
// created (Create with its class) or, more often, subclassed from a control of a
// dialog template (SubclassDlgItem). Derived controls override the CWnd handlers.

#include <commctrl.h>

#include <string>

#include "framework/Wnd.h"

class CButton : public CWnd {
 public:
  bool Create(const wchar_t* text, DWORD style, const RECT& rect, HWND parent, UINT id) {
    return CWnd::Create(WC_BUTTONW, text, style, rect, parent, id);
  }
  int GetCheck() const { return static_cast<int>(Send(BM_GETCHECK)); }
  void SetCheck(int state) { Send(BM_SETCHECK, static_cast<WPARAM>(state)); }
  UINT GetButtonStyle() const { return static_cast<UINT>(GetStyle()) & BS_TYPEMASK; }
};

class CStatic : public CWnd {
 public:
  bool Create(const wchar_t* text, DWORD style, const RECT& rect, HWND parent, UINT id) {
    return CWnd::Create(WC_STATICW, text, style, rect, parent, id);
  }
};

class CEdit : public CWnd {
 public:
  bool Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
    return CWnd::Create(WC_EDITW, L"", style, rect, parent, id);
  }
  void SetLimitText(UINT max) { Send(EM_SETLIMITTEXT, max); }
};

class CComboBox : public CWnd {
 public:
  bool Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
    return CWnd::Create(WC_COMBOBOXW, L"", style, rect, parent, id);
  }
  int AddString(const std::wstring& s) {
    return static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str())));
  }
  void ResetContent() { Send(CB_RESETCONTENT); }
  int GetCurSel() const { return static_cast<int>(Send(CB_GETCURSEL)); }
  int SetCurSel(int i) { return static_cast<int>(Send(CB_SETCURSEL, static_cast<WPARAM>(i))); }
  int GetCount() const { return static_cast<int>(Send(CB_GETCOUNT)); }
  void SetItemData(int i, LPARAM data) { Send(CB_SETITEMDATA, static_cast<WPARAM>(i), data); }
  LPARAM GetItemData(int i) const { return Send(CB_GETITEMDATA, static_cast<WPARAM>(i)); }
};

class CProgressCtrl : public CWnd {
 public:
  bool Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
    return CWnd::Create(PROGRESS_CLASSW, L"", style, rect, parent, id);
  }
  void SetRange32(int lower, int upper) { Send(PBM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
  void GetRange(int& lower, int& upper) const {
    PBRANGE r{};
    Send(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&r));
    lower = r.iLow;
    upper = r.iHigh;
  }
  int SetPos(int pos) { return static_cast<int>(Send(PBM_SETPOS, static_cast<WPARAM>(pos))); }
  int GetPos() const { return static_cast<int>(Send(PBM_GETPOS)); }
};

class CListCtrl : public CWnd {
 public:
  bool Create(DWORD style, const RECT& rect, HWND parent, UINT id) {
    return CWnd::Create(WC_LISTVIEWW, L"", style, rect, parent, id);
  }
  int InsertColumn(int index, const std::wstring& title, int width, int format = LVCFMT_LEFT) {
    LVCOLUMNW c{};
    c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
    c.fmt = format;
    c.cx = width;
    c.pszText = const_cast<wchar_t*>(title.c_str());
    c.iSubItem = index;
    return static_cast<int>(
        Send(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&c)));
  }
  int GetColumnWidth(int index) const {
    return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(index)));
  }
  void SetColumnWidth(int index, int width) {
    Send(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(index), width);
  }
  // Row count of an owner-data list (LVS_OWNERDATA).
  void SetItemCountEx(int count, DWORD flags = LVSICF_NOINVALIDATEALL) {
    Send(LVM_SETITEMCOUNT, static_cast<WPARAM>(count), flags);
  }
  int GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
  HWND GetHeaderCtrl() const { return reinterpret_cast<HWND>(Send(LVM_GETHEADER)); }
  DWORD SetExtendedStyle(DWORD style) {
    return static_cast<DWORD>(Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style));
  }
  int GetSelectionMark() const { return static_cast<int>(Send(LVM_GETSELECTIONMARK)); }
  int GetNextSelected(int start) const {
    return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(start), LVNI_SELECTED));
  }
  bool GetSubItemRect(int row, int column, RECT& rc) const {
    rc = RECT{LVIR_BOUNDS, column, 0, 0};
    return Send(LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rc)) != 0;
  }
};

class CToolTipCtrl : public CWnd {};
