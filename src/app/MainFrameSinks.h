#pragma once
// The main frame's four engine event sinks. They do not act inside the
// engine's call: each turns its event into a message posted to the frame.
#include <windows.h>

#include <memory>

class CMainFrame;

class CMainFrameSinks {
 public:
  explicit CMainFrameSinks(CMainFrame& frame);
  ~CMainFrameSinks();
  CMainFrameSinks(const CMainFrameSinks&) = delete;
  CMainFrameSinks& operator=(const CMainFrameSinks&) = delete;

  // Service, active-protection and definitions sinks: at construction of the frame.
  void ConnectAtConstruction();
  // Scan control; active protection (on its own component) and definitions when still unconnected.
  void ConnectAtWindowCreation(HWND frame);
  void DisconnectAll();

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};
