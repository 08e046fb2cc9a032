// Windows that record the messages they get, for tests of code that posts or
// sends window messages. Posted messages are collected from the thread's
// queue with Drain(); sent ones are recorded as they arrive.
#pragma once

#include <windows.h>

#include <vector>

struct RecordedMessage {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool operator==(const RecordedMessage&) const = default;
};

class RecordingWindow {
 public:
  // A hidden top-level window, or a child with the given control id.
  explicit RecordingWindow(HWND parent = nullptr, int id = 0);
  ~RecordingWindow();
  RecordingWindow(const RecordingWindow&) = delete;
  RecordingWindow& operator=(const RecordingWindow&) = delete;

  HWND hwnd() const { return m_hwnd; }
  // Messages sent (not posted) to this window at or above WM_USER.
  const std::vector<RecordedMessage>& sent() const { return m_sent; }

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  HWND m_hwnd = nullptr;
  std::vector<RecordedMessage> m_sent;
};

// Removes every posted message at or above WM_USER from the thread's queue
// and returns them in order (other messages are dispatched).
std::vector<RecordedMessage> DrainPostedMessages();
