#pragma once
// CWnd: the one window base of the program, a thin layer over plain Win32.
//
// Every window the program creates or takes over (subclasses) is attached to a
// CWnd object: a table in the process maps the HWND to the object, and
// a window subclass (comctl32's SetWindowSubclass, the program's one way of
// subclassing) forwards every message to the object's virtual WindowProc.
// WindowProc dispatches the common messages to virtual handlers (OnPaint,
// OnTimer, ...); a handler that is not overridden calls Default(), which passes
// the current message on to whatever handled the window before: other
// subclasses installed earlier, then the class procedure of a system control,
// the dialog manager's procedure for dialogs, ::DefWindowProcW for our own
// class. Messages without a handler are handled by overriding WindowProc and
// calling CWnd::WindowProc for the rest. Because subclasses are kept in a list
// by the platform, any of them can be removed in any order and the window keeps
// a sound procedure.
//
// Windows created through Create() are attached before their first message
// (WM_GETMINMAXINFO, WM_NCCREATE and WM_CREATE included), whatever their class.
//
// Notifications that a child sends to its parent (WM_COMMAND from a control,
// WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM, WM_CTLCOLOR*, WM_HSCROLL/WM_VSCROLL
// from a scroll bar control) are first offered to the child's own CWnd through
// OnChildNotify ("reflection"); only when it declines does the parent see them.
//
// The object must outlive its window or destroy it: the destructor destroys a
// window it created and unsubclasses a window it took over. A derived class whose
// handlers must run while its window goes away calls DestroyWindow() in its own
// destructor.
//
// Keyboard pre-translation: the message loop calls fw::PreTranslate(msg) before
// TranslateMessage/DispatchMessage; it offers the message to PreTranslateMessage
// of the target window and of each of its ancestors (dialogs run
// IsDialogMessage there, so Tab and the mnemonic keys work in pages).
//
// Member names stay clear of the Windows API's A/W macros (SendMessage,
// GetWindowText, ...), so this header works whatever else is included.

#include <windows.h>

#include <string>

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  // The CWnd attached to a window, or nullptr.
  static CWnd* FromHandle(HWND hwnd);

  // The default window class of the framework (registered on first use): arrow
  // cursor, no background brush, double clicks, global to the process.
  static const wchar_t* DefaultClassName();

  // Creates a window of any class and attaches it before its first message.
  // className nullptr means the framework's default class. Returns false when
  // the window could not be created.
  bool CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                const RECT& rect, HWND parent, UINT_PTR idOrMenu);
  bool Create(const wchar_t* className, const wchar_t* text, DWORD style, const RECT& rect,
              HWND parent, UINT id) {
    return CreateEx(0, className, text, style, rect, parent, id);
  }

  // Takes over an existing window (for example a control of a dialog template).
  bool Subclass(HWND hwnd);
  bool SubclassDlgItem(UINT id, HWND parent);
  // Gives the window back to its previous procedure; returns it.
  HWND Unsubclass();
  void DestroyWindow();

  // Common operations.
  LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
    return ::SendMessageW(m_hWnd, msg, wp, lp);
  }
  BOOL Post(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const {
    return ::PostMessageW(m_hWnd, msg, wp, lp);
  }
  UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs) {
    return ::SetTimer(m_hWnd, id, elapseMs, nullptr);
  }
  BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }
  RECT GetClientRect() const;
  RECT GetWindowRect() const;
  // This window's rectangle in its parent's client coordinates.
  RECT GetRectInParent() const;
  HWND GetParent() const { return ::GetParent(m_hWnd); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  std::wstring GetText() const;
  void SetText(const std::wstring& text) { ::SetWindowTextW(m_hWnd, text.c_str()); }
  void Invalidate(BOOL erase = TRUE) { ::InvalidateRect(m_hWnd, nullptr, erase); }
  void UpdateWindow() { ::UpdateWindow(m_hWnd); }
  BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
  BOOL MoveWindow(const RECT& rc, BOOL repaint = TRUE) {
    return ::MoveWindow(m_hWnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, repaint);
  }
  LONG_PTR GetStyle() const { return ::GetWindowLongPtrW(m_hWnd, GWL_STYLE); }

  // Called by fw::PreTranslate for keyboard and mouse messages addressed to this
  // window or one of its descendants. Return true to swallow the message.
  virtual bool PreTranslateMessage(MSG& msg);

  // Passes the message being handled on to the previous window procedure.
  LRESULT Default();

 protected:
  // Dispatches to the handlers below; override it for other messages.
  virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
  // Passes a message to what handled the window before this object (earlier
  // subclasses, then the window's own procedure).
  virtual LRESULT DefProc(UINT msg, WPARAM wp, LPARAM lp);
  // A notification this window sent to its parent, offered back to it first.
  // Return true (and set *result) when handled; the parent then does not see it.
  virtual bool OnChildNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
  // Called once the object is attached to its window: after Subclass and
  // after CreateEx returned (controls adjust their style or size here).
  virtual void PreSubclassWindow() {}
  // Called after the window received its last message and was detached.
  virtual void PostNcDestroy() {}

  // Handlers. Each default calls Default() (and returns its result).
  virtual int OnCreate(CREATESTRUCTW* cs);
  virtual void OnDestroy();
  virtual void OnNcDestroy();
  virtual void OnClose();
  virtual void OnPaint();
  // WM_PRINTCLIENT: paint the client area into the given device context.
  virtual void OnPrintClient(HDC dc, UINT flags);
  virtual BOOL OnEraseBkgnd(HDC dc);
  virtual void OnSize(UINT type, int cx, int cy);
  virtual void OnMove(int x, int y);
  virtual void OnTimer(UINT_PTR id);
  virtual void OnShowWindow(BOOL show, UINT status);
  virtual void OnMouseMove(UINT flags, POINT pt);
  virtual void OnLButtonDown(UINT flags, POINT pt);
  virtual void OnLButtonUp(UINT flags, POINT pt);
  virtual void OnLButtonDblClk(UINT flags, POINT pt);
  virtual void OnRButtonUp(UINT flags, POINT pt);
  // Wheel delta and the point in screen coordinates. Return TRUE when handled.
  virtual BOOL OnMouseWheel(UINT flags, short delta, POINT screenPt);
  virtual int OnMouseActivate(HWND topLevel, UINT hitTest, UINT message);
  virtual void OnCaptureChanged(HWND newCapture);
  virtual BOOL OnSetCursor(HWND hwnd, UINT hitTest, UINT message);
  virtual void OnKeyDown(UINT vk, UINT repeat, UINT flags);
  virtual UINT OnGetDlgCode();
  virtual void OnHScroll(UINT code, UINT pos, HWND scrollBar);
  virtual void OnVScroll(UINT code, UINT pos, HWND scrollBar);
  // WM_COMMAND: return true when handled (otherwise Default() runs).
  virtual bool OnCommand(UINT id, UINT code, HWND control);
  // WM_NOTIFY: return true and set *result when handled.
  virtual bool OnNotify(NMHDR* header, LRESULT* result);
  virtual HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlColorMessage);
  virtual LRESULT OnNcHitTest(POINT screenPt);
  virtual void OnNcLButtonDown(UINT hitTest, POINT screenPt);
  virtual void OnGetMinMaxInfo(MINMAXINFO* info);
  virtual void OnWindowPosChanging(WINDOWPOS* pos);
  virtual void OnSetFocus(HWND oldFocus);
  virtual void OnEnable(BOOL enable);

  // The message being dispatched (kept across nested dispatches).
  struct CurrentMessage {
    UINT msg = 0;
    WPARAM wp = 0;
    LPARAM lp = 0;
  };
  const CurrentMessage& GetCurrentMessage() const { return m_current; }

  // True when this object created its window (rather than subclassing it).
  bool m_ownsWindow = false;

  // While it lives, the next window created on this thread is attached to the
  // given object before its first message (CreateEx and dialogs use it).
  class AttachNextWindow {
   public:
    explicit AttachNextWindow(CWnd* wnd);
    ~AttachNextWindow();
    AttachNextWindow(const AttachNextWindow&) = delete;
    AttachNextWindow& operator=(const AttachNextWindow&) = delete;

   private:
    CWnd* m_savedWnd;
    HHOOK m_savedHook;
  };

 private:
  friend struct WndAccess;
  friend class AttachNextWindow;
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR object);
  bool Attach(HWND hwnd);
  void Detach();
  bool ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

  CurrentMessage m_current;
};

namespace fw {

// Offers a queued message to the PreTranslateMessage of its target window and of
// each ancestor, innermost first. True when one of them consumed it.
bool PreTranslate(MSG& msg);

// Runs the thread's message loop until WM_QUIT or until done() returns true
// (checked after each message and whenever the queue is empty). Returns the
// WM_QUIT code, or 0 when done() ended it. For tests and tools; the program uses
// the application object's loop.
int RunMessageLoop(bool (*done)(void*) = nullptr, void* context = nullptr,
                   DWORD timeoutMs = INFINITE);

// Dispatches every message already queued for this thread (tests, tools).
void PumpPending();

// Point from a mouse message's lParam.
inline POINT PointFromLParam(LPARAM lp) {
  return POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
}

inline int Width(const RECT& r) { return r.right - r.left; }
inline int Height(const RECT& r) { return r.bottom - r.top; }

}  // namespace fw
