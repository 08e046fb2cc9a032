#include "framework/FrameWnd.h"

bool CFrameWnd::CreateFrame(const wchar_t* className, const wchar_t* title, DWORD style,
                            DWORD exStyle, const RECT& rect, HWND parent, HICON icon) {
  CREATESTRUCTW cs{};
  cs.lpszClass = className && *className ? className : DefaultClassName();
  cs.lpszName = title ? title : L"";
  cs.style = static_cast<LONG>(style);
  cs.dwExStyle = exStyle;
  cs.x = rect.left;
  cs.y = rect.top;
  cs.cx = rect.right - rect.left;
  cs.cy = rect.bottom - rect.top;
  cs.hwndParent = parent;
  cs.hInstance = ::GetModuleHandleW(nullptr);
  PreCreateWindow(cs);

  WNDCLASSEXW existing{sizeof(existing)};
  if (!::GetClassInfoExW(cs.hInstance, cs.lpszClass, &existing)) {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = cs.hInstance;
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = cs.lpszClass;
    if (!::RegisterClassExW(&wc)) return false;
  }
  RECT rc{cs.x, cs.y, cs.x + cs.cx, cs.y + cs.cy};
  return CreateEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), rc,
                  cs.hwndParent, 0);
}

void CFrameWnd::PreCreateWindow(CREATESTRUCTW&) {}

void CFrameWnd::OnNcDestroy() {
  Default();
  if (m_quitOnDestroy) ::PostQuitMessage(0);
}
