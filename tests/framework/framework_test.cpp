// The window layer: attaching windows to objects, handler dispatch, subclassing,
// reflection of child notifications, dialogs from templates, timers.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/FrameWnd.h"
#include "framework/SubclassWnd.h"
#include "framework/WinAppEx.h"
#include "framework/Wnd.h"

namespace {

// Records the messages its handlers see.
class RecordingWnd : public CWnd {
 public:
  std::vector<UINT> seen;
  int createCount = 0;
  int timerTicks = 0;
  UINT_PTR lastTimer = 0;
  SIZE lastSize{};

 protected:
  LRESULT WindowProc(UINT m, WPARAM wp, LPARAM lp) override {
    seen.push_back(m);
    return CWnd::WindowProc(m, wp, lp);
  }
  int OnCreate(CREATESTRUCTW* cs) override {
    ++createCount;
    return CWnd::OnCreate(cs);
  }
  void OnTimer(UINT_PTR id) override {
    ++timerTicks;
    lastTimer = id;
    KillTimer(id);
  }
  void OnSize(UINT, int cx, int cy) override { lastSize = {cx, cy}; }
};

bool Contains(const std::vector<UINT>& v, UINT m) {
  for (UINT x : v)
    if (x == m) return true;
  return false;
}

TEST(Wnd, CreateAttachesBeforeFirstMessageAndDetachesAtDestruction) {
  RecordingWnd w;
  ASSERT_TRUE(w.CreateEx(0, nullptr, L"t", WS_POPUP, RECT{0, 0, 120, 80}, nullptr, 0));
  ASSERT_NE(w.m_hWnd, nullptr);
  EXPECT_EQ(CWnd::FromHandle(w.m_hWnd), &w);
  EXPECT_EQ(w.createCount, 1);
  // The very first messages of a window (before WM_CREATE) reach the object.
  ASSERT_FALSE(w.seen.empty());
  EXPECT_TRUE(Contains(w.seen, WM_NCCREATE));
  EXPECT_EQ(w.GetText(), L"t");

  ::MoveWindow(w.m_hWnd, 0, 0, 200, 100, FALSE);
  EXPECT_EQ(w.lastSize.cx, 200);
  EXPECT_EQ(w.lastSize.cy, 100);

  HWND h = w.m_hWnd;
  w.DestroyWindow();
  EXPECT_EQ(w.m_hWnd, nullptr);
  EXPECT_FALSE(::IsWindow(h));
  EXPECT_TRUE(Contains(w.seen, WM_NCDESTROY));
}

TEST(Wnd, DestructorDestroysOwnedWindow) {
  HWND h;
  {
    RecordingWnd w;
    ASSERT_TRUE(w.Create(nullptr, L"", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
    h = w.m_hWnd;
  }
  EXPECT_FALSE(::IsWindow(h));
}

TEST(Wnd, SystemClassCreatedThroughCreateIsAttachedFromTheStart) {
  RecordingWnd host;
  ASSERT_TRUE(host.Create(nullptr, L"", WS_POPUP, RECT{0, 0, 200, 200}, nullptr, 0));
  RecordingWnd button;
  ASSERT_TRUE(
      button.Create(L"BUTTON", L"b", WS_CHILD | BS_PUSHBUTTON, RECT{0, 0, 50, 20}, host.m_hWnd, 7));
  EXPECT_EQ(button.createCount, 1);
  EXPECT_EQ(button.GetDlgCtrlID(), 7);
  // The button still behaves as a button: its class procedure runs behind us.
  CButton* as = nullptr;
  (void)as;
  ::SendMessageW(button.m_hWnd, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_TRUE(Contains(button.seen, BM_SETCHECK));
}

TEST(Wnd, SubclassAndUnsubclassExistingControl) {
  HWND host = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                nullptr, nullptr);
  HWND edit = ::CreateWindowExW(0, L"EDIT", L"abc", WS_CHILD, 0, 0, 80, 20, host,
                                reinterpret_cast<HMENU>(5), nullptr, nullptr);
  WNDPROC original = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(edit, GWLP_WNDPROC));
  {
    RecordingWnd w;
    ASSERT_TRUE(w.SubclassDlgItem(5, host));
    EXPECT_EQ(w.m_hWnd, edit);
    // A second object cannot take the same window.
    RecordingWnd other;
    EXPECT_FALSE(other.Subclass(edit));
    ::SetWindowTextW(edit, L"xyz");
    EXPECT_TRUE(Contains(w.seen, WM_SETTEXT));
    EXPECT_EQ(w.GetText(), L"xyz");  // the edit control still stores it
  }
  // The object gave the window back and left it alive.
  EXPECT_TRUE(::IsWindow(edit));
  EXPECT_EQ(CWnd::FromHandle(edit), nullptr);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(edit, GWLP_WNDPROC)), original);
  ::DestroyWindow(host);
}

// Two subclasses of one window (a CWnd and a watching hook, or two hooks),
// removed oldest first or newest first: each removal leaves the other working,
// and once both are gone the window has its own procedure back and carries no
// property of ours or of the subclassing any more.
constexpr UINT kProbe = WM_APP + 77;
int g_classProbes = 0;

LRESULT CALLBACK ProbeClassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kProbe) ++g_classProbes;
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

class ProbeWnd : public CWnd {
 public:
  int probes = 0;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == kProbe) ++probes;
    return CWnd::WindowProc(msg, wp, lp);
  }
};

class ProbeHook : public CSubclassWnd {
 public:
  int probes = 0;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == kProbe) ++probes;
    return Default(msg, wp, lp);
  }
};

// One subclass of either kind.
struct ProbeSubclass {
  bool isWnd;
  ProbeWnd wnd;
  ProbeHook hook;
  bool Install(HWND hwnd) { return isWnd ? wnd.Subclass(hwnd) : hook.Hook(hwnd); }
  void Remove() {
    if (isWnd)
      wnd.Unsubclass();
    else
      hook.Unhook();
  }
  int Probes() const { return isWnd ? wnd.probes : hook.probes; }
};

int PropertyCount(HWND hwnd) {
  int count = 0;
  ::EnumPropsExW(
      hwnd,
      [](HWND, LPWSTR, HANDLE, ULONG_PTR counter) -> BOOL {
        ++*reinterpret_cast<int*>(counter);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

struct RemovalCase {
  const char* name;
  bool firstIsWnd;
  bool secondIsWnd;
  bool newestFirst;  // remove the subclass installed last first
};

const RemovalCase kRemovalCases[] = {
    {"object then hook, oldest removed first", true, false, false},
    {"object then hook, newest removed first", true, false, true},
    {"hook then object, oldest removed first", false, true, false},
    {"hook then object, newest removed first", false, true, true},
    {"two hooks, oldest removed first", false, false, false},
    {"two hooks, newest removed first", false, false, true},
};

TEST(Wnd, TwoSubclassesRemovedInEitherOrderLeaveTheWindowProcedureSound) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = ProbeClassProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"RodeRedudProbeWindow";
  ::RegisterClassW(&wc);
  for (const RemovalCase& c : kRemovalCases) {
    SCOPED_TRACE(c.name);
    HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    ASSERT_NE(hwnd, nullptr);
    const LONG_PTR ownProc = ::GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
    const int ownProperties = PropertyCount(hwnd);
    g_classProbes = 0;
    {
      ProbeSubclass first{c.firstIsWnd}, second{c.secondIsWnd};
      ASSERT_TRUE(first.Install(hwnd));
      ASSERT_TRUE(second.Install(hwnd));
      ::SendMessageW(hwnd, kProbe, 0, 0);
      EXPECT_EQ(first.Probes(), 1);
      EXPECT_EQ(second.Probes(), 1);
      EXPECT_EQ(g_classProbes, 1);

      ProbeSubclass& removed = c.newestFirst ? second : first;
      ProbeSubclass& kept = c.newestFirst ? first : second;
      removed.Remove();
      ::SendMessageW(hwnd, kProbe, 0, 0);
      EXPECT_EQ(removed.Probes(), 1) << "the removed subclass still sees messages";
      EXPECT_EQ(kept.Probes(), 2) << "the other subclass no longer sees messages";
      EXPECT_EQ(g_classProbes, 2) << "the window's own procedure no longer sees messages";

      kept.Remove();
      EXPECT_EQ(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC), ownProc);
      EXPECT_EQ(PropertyCount(hwnd), ownProperties);
      EXPECT_EQ(CWnd::FromHandle(hwnd), nullptr);
      ::SendMessageW(hwnd, kProbe, 0, 0);
      EXPECT_EQ(first.Probes() + second.Probes(), 3);
      EXPECT_EQ(g_classProbes, 3);
    }
    ::DestroyWindow(hwnd);
  }
  ::UnregisterClassW(wc.lpszClassName, wc.hInstance);
}

TEST(Wnd, TimerReachesHandler) {
  RecordingWnd w;
  ASSERT_TRUE(w.Create(nullptr, L"", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
  w.SetTimer(42, 10);
  struct Ctx {
    RecordingWnd* w;
  } ctx{&w};
  fw::RunMessageLoop([](void* c) { return static_cast<Ctx*>(c)->w->timerTicks > 0; }, &ctx, 2000);
  EXPECT_EQ(w.timerTicks, 1);
  EXPECT_EQ(w.lastTimer, 42u);
}

// A child that takes its own notifications back from the parent.
class ReflectingButton : public CButton {
 public:
  int clicks = 0;
  bool takeClicks = true;

 protected:
  bool OnChildNotify(UINT m, WPARAM wp, LPARAM, LRESULT* r) override {
    if (m == WM_COMMAND && HIWORD(wp) == BN_CLICKED && takeClicks) {
      ++clicks;
      *r = 0;
      return true;
    }
    return false;
  }
};

class CommandHost : public CWnd {
 public:
  std::vector<UINT> commands;

 protected:
  bool OnCommand(UINT id, UINT, HWND) override {
    commands.push_back(id);
    return true;
  }
};

TEST(Wnd, ChildNotificationsAreOfferedToTheChildFirst) {
  CommandHost host;
  ASSERT_TRUE(host.Create(nullptr, L"", WS_POPUP, RECT{0, 0, 100, 100}, nullptr, 0));
  ReflectingButton b;
  ASSERT_TRUE(b.Create(L"x", WS_CHILD | WS_VISIBLE, RECT{0, 0, 40, 20}, host.m_hWnd, 9));
  ::SendMessageW(b.m_hWnd, BM_CLICK, 0, 0);
  EXPECT_EQ(b.clicks, 1);
  EXPECT_TRUE(host.commands.empty());
  b.takeClicks = false;
  ::SendMessageW(b.m_hWnd, BM_CLICK, 0, 0);
  ASSERT_EQ(host.commands.size(), 1u);
  EXPECT_EQ(host.commands[0], 9u);
}

TEST(Wnd, PreTranslateWalksFromTargetToAncestors) {
  struct Swallower : CWnd {
    int calls = 0;
    bool swallow = false;
    bool PreTranslateMessage(MSG&) override {
      ++calls;
      return swallow;
    }
  };
  Swallower parent, child;
  ASSERT_TRUE(parent.Create(nullptr, L"", WS_POPUP, RECT{0, 0, 100, 100}, nullptr, 0));
  ASSERT_TRUE(child.Create(nullptr, L"", WS_CHILD, RECT{0, 0, 10, 10}, parent.m_hWnd, 1));
  MSG m{child.m_hWnd, WM_KEYDOWN, VK_RETURN, 0};
  EXPECT_FALSE(fw::PreTranslate(m));
  EXPECT_EQ(child.calls, 1);
  EXPECT_EQ(parent.calls, 1);
  child.swallow = true;
  EXPECT_TRUE(fw::PreTranslate(m));
  EXPECT_EQ(parent.calls, 1);  // the child consumed it first
  MSG paint{child.m_hWnd, WM_PAINT, 0, 0};
  EXPECT_FALSE(fw::PreTranslate(paint));  // not an input message
}

TEST(Wnd, ApplicationLoopPreTranslatesBeforeDispatch) {
  struct Target : CWnd {
    int pretranslated = 0;
    int dispatched = 0;
    bool PreTranslateMessage(MSG& msg) override {
      if (msg.message != WM_KEYDOWN) return false;  // translation adds a WM_CHAR for 'A'
      ++pretranslated;
      return msg.wParam == VK_RETURN;  // Enter is consumed, other keys pass
    }

   protected:
    LRESULT WindowProc(UINT m, WPARAM wp, LPARAM lp) override {
      if (m == WM_KEYDOWN) ++dispatched;
      return CWnd::WindowProc(m, wp, lp);
    }
  };
  CWinAppEx app;
  Target target;
  ASSERT_TRUE(target.Create(nullptr, L"", WS_POPUP, RECT{0, 0, 50, 50}, nullptr, 0));
  ::PostMessageW(target.m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
  ::PostMessageW(target.m_hWnd, WM_KEYDOWN, 'A', 0);
  ::PostQuitMessage(0);
  app.Run();
  EXPECT_EQ(target.pretranslated, 2);
  EXPECT_EQ(target.dispatched, 1);
}

// Dialog from an in-memory template module: the test builds its template with
// the resource module of this executable (none), so it uses an indirect check
// through a template-less module: missing templates fail cleanly.
TEST(Dialog, MissingTemplateFailsCleanly) {
  CDialog d(60000, nullptr);
  EXPECT_FALSE(d.Create(nullptr));
  EXPECT_EQ(d.DoModal(nullptr), -1);
  EXPECT_EQ(d.m_hWnd, nullptr);
}

class FrameProbe : public CFrameWnd {
 public:
  bool preCreateCalled = false;

 protected:
  void PreCreateWindow(CREATESTRUCTW& cs) override {
    preCreateCalled = true;
    cs.cx = 321;
  }
};

TEST(FrameWnd, RegistersNamedClassFindableFromOutside) {
  FrameProbe f;
  ASSERT_TRUE(f.CreateFrame(L"RodeRedudTestFrame", L"frame", WS_POPUP, 0, RECT{0, 0, 100, 100}));
  EXPECT_TRUE(f.preCreateCalled);
  EXPECT_EQ(fw::Width(f.GetWindowRect()), 321);
  EXPECT_EQ(::FindWindowExW(nullptr, nullptr, L"RodeRedudTestFrame", nullptr), f.m_hWnd);
  // A second frame of the same class registers nothing new and works.
  FrameProbe g;
  EXPECT_TRUE(g.CreateFrame(L"RodeRedudTestFrame", L"", WS_POPUP, 0, RECT{0, 0, 10, 10}));
}

TEST(FrameWnd, QuitOnDestroyPostsQuit) {
  FrameProbe f;
  ASSERT_TRUE(f.CreateFrame(nullptr, L"", WS_POPUP, 0, RECT{0, 0, 10, 10}));
  f.SetQuitOnDestroy(true);
  f.DestroyWindow();
  MSG m;
  ASSERT_TRUE(::PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(m.message, static_cast<UINT>(WM_QUIT));
}

}  // namespace

#include "support/DialogTemplate.h"

namespace {

class ProbeDialog : public CDialog {
 public:
  ProbeDialog() : CDialog(0, nullptr) {}
  bool initSeen = false;
  HWND buttonAtInit = nullptr;
  int oks = 0, cancels = 0;
  CButton button;

 protected:
  BOOL OnInitDialog() override {
    initSeen = true;
    buttonAtInit = GetDlgItem(1001);
    button.SubclassDlgItem(1001, m_hWnd);
    return TRUE;
  }
  void OnOK() override {
    ++oks;
    CDialog::OnOK();
  }
  void OnCancel() override {
    ++cancels;
    CDialog::OnCancel();
  }
};

TEST(Dialog, ModelessFromTemplateRunsInitAndSubclassesItsControls) {
  testsupport::DialogTemplate t(WS_POPUP, 100, 60);
  t.Add(L"Button", L"Go", 1001, WS_VISIBLE | BS_PUSHBUTTON, 5, 5, 40, 14);
  ProbeDialog d;
  ASSERT_TRUE(d.CreateIndirect(t.get(), nullptr));
  EXPECT_TRUE(d.initSeen);
  EXPECT_NE(d.buttonAtInit, nullptr);
  EXPECT_EQ(d.button.m_hWnd, d.buttonAtInit);
  EXPECT_FALSE(d.IsModal());
  // Escape (IDCANCEL) reaches OnCancel and leaves a modeless dialog alive.
  ::SendMessageW(d.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  EXPECT_EQ(d.cancels, 1);
  EXPECT_TRUE(::IsWindow(d.m_hWnd));
}

TEST(Dialog, ModalEndsWithTheGivenResult) {
  testsupport::DialogTemplate t(WS_POPUP, 100, 60);
  struct Ending : ProbeDialog {
    BOOL OnInitDialog() override {
      ProbeDialog::OnInitDialog();
      Post(WM_COMMAND, IDOK);
      return TRUE;
    }
  } d;
  EXPECT_EQ(d.DoModalIndirect(t.get(), nullptr), IDOK);
  EXPECT_EQ(d.oks, 1);
  EXPECT_EQ(d.m_hWnd, nullptr);

  struct Explicit : ProbeDialog {
    BOOL OnInitDialog() override {
      SetTimer(1, 1);
      return TRUE;
    }
    void OnTimer(UINT_PTR) override { EndDialog(8); }
  } e;
  EXPECT_EQ(e.DoModalIndirect(t.get(), nullptr), 8);
}

}  // namespace

// ---- layout DPI ------------------------------------------------------------------

#include "framework/LayoutDpi.h"

namespace {

TEST(LayoutDpi, ValuesAreBroughtToTheLayoutDpiWithHalvesAwayFromZero) {
  struct Row {
    const char* name;
    LONG value;
    int screenDpi;
    LONG expected;
  };
  const Row rows[] = {{"96 dpi kept", -12, 96, -12},       {"120 dpi", -15, 120, -12},
                      {"144 dpi, 17 px", -17, 144, -11},   {"144 dpi, 18 px", -18, 144, -12},
                      {"144 dpi, half", -3, 144, -2},      {"192 dpi", -24, 192, -12},
                      {"positive", 24, 192, 12},           {"unknown dpi (0) kept", -17, 0, -17},
                      {"negative dpi kept", -17, -5, -17}, {"72 dpi grows", -9, 72, -12}};
  for (const Row& row : rows)
    EXPECT_EQ(row.expected, ToLayoutDpi(row.value, row.screenDpi))
        << row.name << ": " << row.value << " at " << row.screenDpi << " dpi";
}

TEST(LayoutDpi, DialogRectsFollowTheWantedUnits) {
  struct Row {
    const char* name;
    RECT r;
    DialogUnits placed, wanted;
    RECT expected;
  };
  const Row rows[] = {{"same units", {10, 20, 110, 44}, {6, 13}, {6, 13}, {10, 20, 110, 44}},
                      // 8-point template font at 144 dpi (9 x 19) back to 96 dpi (6 x 13).
                      {"144 to 96", {15, 19, 165, 57}, {9, 19}, {6, 13}, {10, 13, 110, 39}},
                      // Origin and size round each on their own, as the dialog manager's do.
                      {"rounding", {10, 10, 15, 13}, {4, 3}, {3, 2}, {8, 7, 12, 9}},
                      {"unknown units kept", {3, 4, 5, 6}, {0, 0}, {6, 13}, {3, 4, 5, 6}}};
  for (const Row& row : rows) {
    const RECT got = RescaleDialogRect(row.r, row.placed, row.wanted);
    EXPECT_TRUE(EqualRect(&got, &row.expected)) << row.name << ": got " << got.left << ","
                                                << got.top << "," << got.right << "," << got.bottom;
  }
}

// The fit at another DPI rests on measuring a font's dialog units as the
// dialog manager does; at the screen's own DPI both must agree, and a dialog
// at the layout DPI is left exactly as the template placed it.
TEST(LayoutDpi, DialogUnitsAreMeasuredAsTheDialogManagerDoes) {
  testsupport::DialogTemplate t(WS_POPUP, 200, 100);
  t.Add(L"Button", L"Go", 1001, WS_VISIBLE | BS_PUSHBUTTON, 10, 20, 50, 14);
  ProbeDialog d;
  ASSERT_TRUE(d.CreateIndirect(t.get(), nullptr));
  auto* font = reinterpret_cast<HFONT>(::SendMessageW(d.m_hWnd, WM_GETFONT, 0, 0));
  ASSERT_NE(nullptr, font);
  RECT units{0, 0, 4, 8};
  ::MapDialogRect(d.m_hWnd, &units);
  const DialogUnits measured = DialogUnitsOfFont(font);
  EXPECT_EQ(units.right, measured.x);
  EXPECT_EQ(units.bottom, measured.y);
  if (ReportedScreenDpi() == kLayoutDpi) {
    // Origin and size each mapped on their own, as the dialog manager does.
    const int x = MulDiv(10, measured.x, 4), y = MulDiv(20, measured.y, 8);
    RECT button{x, y, x + MulDiv(50, measured.x, 4), y + MulDiv(14, measured.y, 8)};
    RECT placed{};
    ::GetWindowRect(d.GetDlgItem(1001), &placed);
    ::MapWindowPoints(nullptr, d.m_hWnd, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_TRUE(EqualRect(&button, &placed))
        << "template " << button.left << "," << button.top << "," << button.right << ","
        << button.bottom << " placed " << placed.left << "," << placed.top << "," << placed.right
        << "," << placed.bottom;
  }
}

}  // namespace
