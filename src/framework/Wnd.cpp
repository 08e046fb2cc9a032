#include "framework/Wnd.h"

#include <commctrl.h>

#include <exception>
#include <unordered_map>

#include "framework/Trace.h"
#include "framework/WinAppEx.h"

namespace {

constexpr wchar_t kDefaultClass[] = L"RodeRedudWnd";
// The ID of a CWnd's subclass; one CWnd at most per window.
constexpr UINT_PTR kSubclassId = 1;

// The CWnd attached to each window. Kept in the process rather than as a window
// property: a property is a round trip to the window system on every lookup,
// and children look their parent up on every paint. The user interface has one
// thread.
std::unordered_map<HWND, CWnd*>& Attached() {
  static std::unordered_map<HWND, CWnd*> attached;
  return attached;
}

// The window being created by CWnd::CreateEx on this thread: the CBT hook
// attaches it to the first window created while the hook is installed.
struct PendingCreate {
  CWnd* wnd = nullptr;
  HHOOK hook = nullptr;
};
thread_local PendingCreate t_pending;

}  // namespace

// Friend access for the file-local hook procedure.
struct WndAccess {
  static bool Attach(CWnd* w, HWND hwnd) { return w->Attach(hwnd); }
};

namespace {

LRESULT CALLBACK CreateHookProc(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND && t_pending.wnd) {
    CWnd* w = t_pending.wnd;
    t_pending.wnd = nullptr;
    WndAccess::Attach(w, reinterpret_cast<HWND>(wp));
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

CWnd::~CWnd() {
  if (m_hWnd && ::IsWindow(m_hWnd)) {
    if (m_ownsWindow) {
      HWND h = m_hWnd;
      ::DestroyWindow(h);  // WM_NCDESTROY detaches
      if (m_hWnd) Detach();
    } else {
      Unsubclass();
    }
  }
}

CWnd* CWnd::FromHandle(HWND hwnd) {
  if (!hwnd) return nullptr;
  const auto& attached = Attached();
  const auto found = attached.find(hwnd);
  return found == attached.end() ? nullptr : found->second;
}

const wchar_t* CWnd::DefaultClassName() {
  static const ATOM atom = [] {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kDefaultClass;
    return ::RegisterClassExW(&wc);
  }();
  (void)atom;
  return kDefaultClass;
}

bool CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                    const RECT& rect, HWND parent, UINT_PTR idOrMenu) {
  if (m_hWnd) return false;
  if (!className) className = DefaultClassName();
  HWND hwnd = nullptr;
  {
    AttachNextWindow scope(this);
    hwnd =
        ::CreateWindowExW(exStyle, className, text ? text : L"", style, rect.left, rect.top,
                          rect.right - rect.left, rect.bottom - rect.top, parent,
                          reinterpret_cast<HMENU>(idOrMenu), ::GetModuleHandleW(nullptr), nullptr);
  }
  if (!hwnd) {
    if (m_hWnd) Detach();
    return false;
  }
  if (!m_hWnd) Attach(hwnd);  // the hook did not see it (should not happen)
  m_ownsWindow = true;
  PreSubclassWindow();
  return true;
}

CWnd::AttachNextWindow::AttachNextWindow(CWnd* wnd)
    : m_savedWnd(t_pending.wnd), m_savedHook(t_pending.hook) {
  // Creation may nest (a window creating its children in WM_CREATE).
  t_pending.wnd = wnd;
  t_pending.hook = ::SetWindowsHookExW(WH_CBT, CreateHookProc, nullptr, ::GetCurrentThreadId());
}

CWnd::AttachNextWindow::~AttachNextWindow() {
  if (t_pending.hook) ::UnhookWindowsHookEx(t_pending.hook);
  t_pending.wnd = m_savedWnd;
  t_pending.hook = m_savedHook;
}

bool CWnd::Attach(HWND hwnd) {
  if (!hwnd || m_hWnd || FromHandle(hwnd)) return false;
  if (!::SetWindowSubclass(hwnd, &CWnd::SubclassProc, kSubclassId,
                           reinterpret_cast<DWORD_PTR>(this))) {
    TraceLastError(L"SetWindowSubclass");
    return false;
  }
  Attached()[hwnd] = this;
  m_hWnd = hwnd;
  return true;
}

void CWnd::Detach() {
  if (!m_hWnd) return;
  if (::IsWindow(m_hWnd)) ::RemoveWindowSubclass(m_hWnd, &CWnd::SubclassProc, kSubclassId);
  auto& attached = Attached();
  const auto found = attached.find(m_hWnd);
  if (found != attached.end() && found->second == this) attached.erase(found);
  m_hWnd = nullptr;
  m_ownsWindow = false;
}

bool CWnd::Subclass(HWND hwnd) {
  if (!::IsWindow(hwnd)) return false;
  if (!Attach(hwnd)) return false;
  m_ownsWindow = false;
  PreSubclassWindow();
  return true;
}

bool CWnd::SubclassDlgItem(UINT id, HWND parent) {
  return Subclass(::GetDlgItem(parent, static_cast<int>(id)));
}

HWND CWnd::Unsubclass() {
  HWND h = m_hWnd;
  Detach();
  return h;
}

void CWnd::DestroyWindow() {
  if (m_hWnd) ::DestroyWindow(m_hWnd);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                    DWORD_PTR object) {
  auto* w = reinterpret_cast<CWnd*>(object);
  CurrentMessage saved = w->m_current;
  w->m_current = {msg, wp, lp};
  LRESULT r = 0;
  try {
    r = w->WindowProc(msg, wp, lp);
  } catch (...) {
    // No C++ exception may unwind through the system's frames: the message
    // loop rethrows it once DispatchMessage has returned.
    if (CWinAppEx* app = AfxGetApp()) app->StashException(std::current_exception());
  }
  w->m_current = saved;
  if (msg == WM_NCDESTROY && w->m_hWnd == hwnd) {
    w->Detach();
    w->PostNcDestroy();
  }
  return r;
}

LRESULT CWnd::Default() { return DefProc(m_current.msg, m_current.wp, m_current.lp); }

LRESULT CWnd::DefProc(UINT msg, WPARAM wp, LPARAM lp) {
  return ::DefSubclassProc(m_hWnd, msg, wp, lp);
}

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

bool CWnd::ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
  HWND child = nullptr;
  switch (msg) {
    case WM_COMMAND:
      child = reinterpret_cast<HWND>(lp);
      break;
    case WM_NOTIFY:
      if (lp) child = reinterpret_cast<NMHDR*>(lp)->hwndFrom;
      break;
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
      if (dis && dis->CtlType != ODT_MENU) child = dis->hwndItem;
      break;
    }
    case WM_MEASUREITEM: {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      if (mis && mis->CtlType != ODT_MENU)
        child = ::GetDlgItem(m_hWnd, static_cast<int>(mis->CtlID));
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
      child = reinterpret_cast<HWND>(lp);
      break;
    case WM_HSCROLL:
    case WM_VSCROLL:
      child = reinterpret_cast<HWND>(lp);
      break;
    default:
      return false;
  }
  if (!child || child == m_hWnd) return false;
  CWnd* c = FromHandle(child);
  return c && c->OnChildNotify(msg, wp, lp, result);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT reflected = 0;
  if (ReflectToChild(msg, wp, lp, &reflected)) return reflected;

  switch (msg) {
    case WM_CREATE:
      return OnCreate(reinterpret_cast<CREATESTRUCTW*>(lp));
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_NCDESTROY:
      OnNcDestroy();
      return 0;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_PRINTCLIENT:
      OnPrintClient(reinterpret_cast<HDC>(wp), static_cast<UINT>(lp));
      return 0;
    case WM_ERASEBKGND:
      return OnEraseBkgnd(reinterpret_cast<HDC>(wp));
    case WM_SIZE:
      OnSize(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
      return 0;
    case WM_MOVE:
      OnMove(static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp)));
      return 0;
    case WM_TIMER:
      OnTimer(wp);
      return 0;
    case WM_SHOWWINDOW:
      OnShowWindow(static_cast<BOOL>(wp), static_cast<UINT>(lp));
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(static_cast<UINT>(wp), fw::PointFromLParam(lp));
      return 0;
    case WM_LBUTTONDOWN:
      OnLButtonDown(static_cast<UINT>(wp), fw::PointFromLParam(lp));
      return 0;
    case WM_LBUTTONUP:
      OnLButtonUp(static_cast<UINT>(wp), fw::PointFromLParam(lp));
      return 0;
    case WM_LBUTTONDBLCLK:
      OnLButtonDblClk(static_cast<UINT>(wp), fw::PointFromLParam(lp));
      return 0;
    case WM_RBUTTONUP:
      OnRButtonUp(static_cast<UINT>(wp), fw::PointFromLParam(lp));
      return 0;
    case WM_MOUSEWHEEL:
      return OnMouseWheel(GET_KEYSTATE_WPARAM(wp), GET_WHEEL_DELTA_WPARAM(wp),
                          fw::PointFromLParam(lp))
                 ? 0
                 : Default();
    case WM_MOUSEACTIVATE:
      return OnMouseActivate(reinterpret_cast<HWND>(wp), LOWORD(lp), HIWORD(lp));
    case WM_CAPTURECHANGED:
      OnCaptureChanged(reinterpret_cast<HWND>(lp));
      return 0;
    case WM_SETCURSOR:
      return OnSetCursor(reinterpret_cast<HWND>(wp), LOWORD(lp), HIWORD(lp));
    case WM_KEYDOWN:
      OnKeyDown(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
      return 0;
    case WM_GETDLGCODE:
      return OnGetDlgCode();
    case WM_HSCROLL:
      OnHScroll(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_VSCROLL:
      OnVScroll(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
      return 0;
    case WM_COMMAND:
      if (OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp))) return 0;
      return Default();
    case WM_NOTIFY: {
      LRESULT r = 0;
      if (OnNotify(reinterpret_cast<NMHDR*>(lp), &r)) return r;
      return Default();
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORMSGBOX:
      return reinterpret_cast<LRESULT>(
          OnCtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp), msg));
    case WM_NCHITTEST:
      return OnNcHitTest(fw::PointFromLParam(lp));
    case WM_NCLBUTTONDOWN:
      OnNcLButtonDown(static_cast<UINT>(wp), fw::PointFromLParam(lp));
      return 0;
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lp));
      return 0;
    case WM_WINDOWPOSCHANGING:
      OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lp));
      return 0;
    case WM_SETFOCUS:
      OnSetFocus(reinterpret_cast<HWND>(wp));
      return 0;
    case WM_ENABLE:
      OnEnable(static_cast<BOOL>(wp));
      return 0;
    default:
      return DefProc(msg, wp, lp);
  }
}

int CWnd::OnCreate(CREATESTRUCTW*) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnNcDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnPaint() { Default(); }
void CWnd::OnPrintClient(HDC, UINT) { Default(); }
BOOL CWnd::OnEraseBkgnd(HDC) { return static_cast<BOOL>(Default()); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnMouseMove(UINT, POINT) { Default(); }
void CWnd::OnLButtonDown(UINT, POINT) { Default(); }
void CWnd::OnLButtonUp(UINT, POINT) { Default(); }
void CWnd::OnLButtonDblClk(UINT, POINT) { Default(); }
void CWnd::OnRButtonUp(UINT, POINT) { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, POINT) { return FALSE; }
int CWnd::OnMouseActivate(HWND, UINT, UINT) { return static_cast<int>(Default()); }
void CWnd::OnCaptureChanged(HWND) { Default(); }
BOOL CWnd::OnSetCursor(HWND, UINT, UINT) { return static_cast<BOOL>(Default()); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
UINT CWnd::OnGetDlgCode() { return static_cast<UINT>(Default()); }
void CWnd::OnHScroll(UINT, UINT, HWND) { Default(); }
void CWnd::OnVScroll(UINT, UINT, HWND) { Default(); }
bool CWnd::OnCommand(UINT, UINT, HWND) { return false; }
bool CWnd::OnNotify(NMHDR*, LRESULT*) { return false; }
HBRUSH CWnd::OnCtlColor(HDC, HWND, UINT) { return reinterpret_cast<HBRUSH>(Default()); }
LRESULT CWnd::OnNcHitTest(POINT) { return Default(); }
void CWnd::OnNcLButtonDown(UINT, POINT) { Default(); }
void CWnd::OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
void CWnd::OnWindowPosChanging(WINDOWPOS*) { Default(); }
void CWnd::OnSetFocus(HWND) { Default(); }
void CWnd::OnEnable(BOOL) { Default(); }

bool CWnd::PreTranslateMessage(MSG&) { return false; }

RECT CWnd::GetClientRect() const {
  RECT rc{};
  ::GetClientRect(m_hWnd, &rc);
  return rc;
}

RECT CWnd::GetWindowRect() const {
  RECT rc{};
  ::GetWindowRect(m_hWnd, &rc);
  return rc;
}

RECT CWnd::GetRectInParent() const {
  RECT rc = GetWindowRect();
  HWND parent = ::GetParent(m_hWnd);
  if (parent) ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rc), 2);
  return rc;
}

std::wstring CWnd::GetText() const {
  int n = ::GetWindowTextLengthW(m_hWnd);
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  n = ::GetWindowTextW(m_hWnd, s.data(), n + 1);
  s.resize(static_cast<size_t>(n > 0 ? n : 0));
  return s;
}

namespace fw {

bool PreTranslate(MSG& msg) {
  // Only input messages are pre-translated.
  bool input = (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) ||
               (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST);
  if (!input) return false;
  for (HWND h = msg.hwnd; h; h = ::GetParent(h)) {
    if (CWnd* w = CWnd::FromHandle(h)) {
      if (w->PreTranslateMessage(msg)) return true;
    }
    if (!(::GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) break;
  }
  return false;
}

int RunMessageLoop(bool (*done)(void*), void* context, DWORD timeoutMs) {
  DWORD start = ::GetTickCount();
  MSG m;
  for (;;) {
    while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) return static_cast<int>(m.wParam);
      if (!PreTranslate(m)) {
        ::TranslateMessage(&m);
        ::DispatchMessageW(&m);
      }
      if (done && done(context)) return 0;
    }
    if (done && done(context)) return 0;
    DWORD waited = ::GetTickCount() - start;
    if (timeoutMs != INFINITE && waited >= timeoutMs) return 0;
    ::MsgWaitForMultipleObjectsEx(0, nullptr, timeoutMs == INFINITE ? INFINITE : timeoutMs - waited,
                                  QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

void PumpPending() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(m.wParam));
      return;
    }
    if (!PreTranslate(m)) {
      ::TranslateMessage(&m);
      ::DispatchMessageW(&m);
    }
  }
}

}  // namespace fw
