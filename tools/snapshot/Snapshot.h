#pragma once
// The snapshot tool's scenes. A scene builds windows, brings them into the state
// it shows and captures them to PNG files:
//
//   SNAPSHOT_SCENE(main_window) {
//     CMainFrame frame;  ... create and lay out ...
//     ctx.Capture(frame.m_hWnd, L"main_window");
//   }
//
// Any .cpp file in tools/snapshot is part of the tool, so a new scene is a new
// file. Run: snapshot.exe [--out FOLDER] [scene ...] (default folder:
// ..\snapshots beside the output folder, that is build/snapshots).

#include <windows.h>

#include <string>

namespace snapshot {

class Context {
 public:
  explicit Context(std::wstring outDir) : m_outDir(std::move(outDir)) {}

  // Shows the top-level window at the top-left of the screen without activating
  // it, lets it and its children paint, and saves its client area as name.png
  // (copied from the screen: what a user would see). Returns false on failure.
  bool Capture(HWND topLevel, const std::wstring& name);
  // Saves one window's own painting (WM_PRINTCLIENT), without its children.
  bool CaptureClient(HWND window, const std::wstring& name);

  const std::wstring& OutDir() const { return m_outDir; }
  int Failures() const { return m_failures; }
  int Written() const { return m_written; }

 private:
  bool Report(bool ok, const std::wstring& path);
  std::wstring m_outDir;
  int m_failures = 0;
  int m_written = 0;
};

using SceneFunction = void (*)(Context&);

struct SceneRegistrar {
  SceneRegistrar(const wchar_t* name, SceneFunction fn);
};

// Processes queued messages for about ms milliseconds (timers included).
void PumpFor(DWORD ms);

}  // namespace snapshot

#define SNAPSHOT_SCENE(id)                                                                 \
  static void SnapshotScene_##id(::snapshot::Context& ctx);                                \
  static ::snapshot::SceneRegistrar m_snapshotRegistrar##id(L## #id, &SnapshotScene_##id); \
  static void SnapshotScene_##id([[maybe_unused]] ::snapshot::Context& ctx)
