#include "app/SubclassWnd.h"

namespace {
const wchar_t kChainProp[] = L"RodeRedud.SubclassChain";
}

CSubclassWnd::~CSubclassWnd() { Unhook(); }

CSubclassWnd* CSubclassWnd::Head(HWND hwnd) {
  return static_cast<CSubclassWnd*>(GetPropW(hwnd, kChainProp));
}

bool CSubclassWnd::Hook(HWND hwnd) {
  Unhook();
  if (!hwnd) return true;
  if (!IsWindow(hwnd)) return false;
  CSubclassWnd* previous = Head(hwnd);
  if (!SetPropW(hwnd, kChainProp, this)) return false;
  m_hwnd = hwnd;
  m_previous = previous;
  if (previous) {
    m_origProc = previous->m_origProc;
  } else {
    m_origProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HookProc)));
    if (!m_origProc) {
      RemovePropW(hwnd, kChainProp);
      m_hwnd = nullptr;
      return false;
    }
  }
  return true;
}

void CSubclassWnd::Unhook() {
  if (!m_hwnd) return;
  const HWND hwnd = m_hwnd;
  CSubclassWnd* head = Head(hwnd);
  if (head == this) {
    if (m_previous) {
      SetPropW(hwnd, kChainProp, m_previous);
    } else {
      RemovePropW(hwnd, kChainProp);
      // Give the window its own procedure back, unless someone hooked it after us.
      if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)) == &HookProc)
        SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_origProc));
    }
  } else {
    for (CSubclassWnd* h = head; h; h = h->m_previous) {
      if (h->m_previous == this) {
        h->m_previous = m_previous;
        break;
      }
    }
  }
  m_hwnd = nullptr;
  m_previous = nullptr;
  m_origProc = nullptr;
}

LRESULT CSubclassWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }

LRESULT CSubclassWnd::Default(UINT msg, WPARAM wp, LPARAM lp) {
  if (m_previous) return m_previous->WindowProc(msg, wp, lp);
  if (m_origProc) return CallWindowProcW(m_origProc, m_hwnd, msg, wp, lp);
  return DefWindowProcW(m_hwnd, msg, wp, lp);
}

LRESULT CALLBACK CSubclassWnd::HookProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  CSubclassWnd* head = Head(hwnd);
  if (!head) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    const WNDPROC orig = head->m_origProc;
    while (CSubclassWnd* h = Head(hwnd)) h->Unhook();
    return CallWindowProcW(orig, hwnd, msg, wp, lp);
  }
  return head->WindowProc(msg, wp, lp);
}
