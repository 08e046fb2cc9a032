#include "support/MessageRecorder.h"

namespace {
const wchar_t kClass[] = L"RrTestRecordingWindow";
}

RecordingWindow::RecordingWindow(HWND parent, int id) {
  static const ATOM atom = [] {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &RecordingWindow::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    return RegisterClassW(&wc);
  }();
  (void)atom;
  m_hwnd = CreateWindowExW(0, kClass, L"", parent ? WS_CHILD : WS_POPUP, 0, 0, 10, 10, parent,
                           parent ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr,
                           GetModuleHandleW(nullptr), this);
}

RecordingWindow::~RecordingWindow() {
  if (m_hwnd && IsWindow(m_hwnd)) {
    SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
    DestroyWindow(m_hwnd);
  }
}

LRESULT CALLBACK RecordingWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
  }
  auto* self = reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  // Posted messages are taken from the queue by DrainPostedMessages and never
  // dispatched, so what arrives here was sent.
  if (self && message >= WM_USER) self->m_sent.push_back({hwnd, message, wParam, lParam});
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::vector<RecordedMessage> DrainPostedMessages() {
  std::vector<RecordedMessage> posted;
  MSG m;
  while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message >= WM_USER && m.message != WM_TIMER) {
      posted.push_back({m.hwnd, m.message, m.wParam, m.lParam});
    } else {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
  return posted;
}
