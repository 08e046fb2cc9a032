#pragma once
// Implemented by the windows whose themed children paint over a copy of their
// background (CBaseDlg, the main frame's base window, the lightbox dialog).

#include <windows.h>

class CMemDCPerm;

class CTransparentParent {
 public:
  // The window's persistent surface, or nullptr when it has none.
  virtual CMemDCPerm* GetBackgroundSurface() = 0;

 protected:
  ~CTransparentParent() = default;
};

// The CTransparentParent behind a window (its attached CWnd), or nullptr.
CTransparentParent* TransparentParentOf(HWND hwnd);
// The background surface of a child's parent, or nullptr (no such parent, or it
// has not painted yet).
CMemDCPerm* ParentSurfaceOf(HWND child);
