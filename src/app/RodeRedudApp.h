// The application object: decides from the command line what this process is
// for (an installer hook, a re-launch, a hand-over to the running instance, a
// survey report or the interactive program) and does exactly that.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <string>

#include "app/CommandLineParser.h"
#include "framework/WinAppEx.h"

// Posted to the main window when a later start handed its command line over.
inline constexpr UINT WM_APP_HANDOVER = WM_APP + 1;

class CMainFrame;

class CRodeRedudApp : public CWinAppEx {
 public:
  CRodeRedudApp();
  ~CRodeRedudApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  // Records the wish in the profile and creates or deletes the logon task.
  void SetLaunchOnStartup(bool enable);

  HMODULE ResourceLibrary() const { return m_resourceLibrary; }
  const std::wstring& AppFolder() const { return m_appFolder; }
  // The new RunCount of this start (set by the interactive start).
  int RunCount() const { return m_runCount; }
  // The main window's class name (theme string "ucn").
  const std::wstring& WindowClassName() const { return m_windowClass; }
  // This start's command line, parsed.
  const CCommandLineParser& ParsedCommandLine() const { return m_parser; }

  // The process's main frame: the pages reach it through here. The frame
  // registers itself when its window is created and leaves when destroyed.
  CMainFrame* MainFrame() const { return m_mainFrame; }
  void SetMainFrame(CMainFrame* frame) { m_mainFrame = frame; }

  // The message loop's top level: a failed engine call that escaped a handler
  // ends only that handler; the program goes on. (InteractiveStart.cpp)
  bool OnLoopException(std::exception_ptr error) override;

 protected:
  // The full path of the executable; the application folder is taken from it.
  virtual std::wstring ExecutablePath() const;

  // ---- Interactive start -------------------------------------------------
  // Everything after the non-interactive purposes: connect the engine, create
  // and show the main frame, seed the engine, post the hand-over to itself,
  // register with the updater, count the run and do the first-run work.
  // Returns TRUE when the message loop should run. (InteractiveStart.cpp)
  virtual BOOL StartInteractive();
  // Undoes StartInteractive at exit: releases the engine session. Runs before
  // the component runtime is shut down. (InteractiveStart.cpp)
  virtual void StopInteractive();
  // -------------------------------------------------------------------------

  int m_runCount = 0;
  CMainFrame* m_mainFrame = nullptr;
  // The main frame of the interactive program (created by StartInteractive).
  std::unique_ptr<CMainFrame> m_ownedMainFrame;

 private:
  void RunInstallHook();
  void RunRelaunch();
  void ShowStartupError(const std::wstring& text);

  HMODULE m_resourceLibrary = nullptr;
  std::wstring m_appFolder;
  std::wstring m_windowClass;
  CCommandLineParser m_parser;
  HANDLE m_instanceMutex = nullptr;
  bool m_oleInitialized = false;
  bool m_taskbarInteraction = true;
};

// Starts the application through the desktop shell's own process, so that it
// runs with the logged-on user's ordinary rights, then brings a window of
// windowClass to the front when one appears within 10 s. False when the
// shell could not be reached (nothing was started).
bool RelaunchThroughShell(const std::wstring& path, const std::wstring& arguments,
                          const std::wstring& windowClass);
