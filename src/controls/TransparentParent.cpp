#include "controls/TransparentParent.h"

#include "controls/MemDC.h"
#include "framework/Wnd.h"

CTransparentParent* TransparentParentOf(HWND hwnd) {
  return dynamic_cast<CTransparentParent*>(CWnd::FromHandle(hwnd));
}

CMemDCPerm* ParentSurfaceOf(HWND child) {
  CTransparentParent* p = TransparentParentOf(::GetParent(child));
  if (!p) return nullptr;
  CMemDCPerm* s = p->GetBackgroundSurface();
  return s && s->IsValid() ? s : nullptr;
}
