#include "framework/Dialog.h"

#include "framework/LayoutDpi.h"

CDialog::CDialog(UINT templateId, HINSTANCE resourceModule)
    : m_templateId(templateId),
      m_resourceModule(resourceModule ? resourceModule : ::GetModuleHandleW(nullptr)) {}

CDialog::~CDialog() {
  // A dialog is always ours: destroy it while the object is still complete enough
  // to receive its last messages through CDialog.
  if (m_hWnd) {
    m_ownsWindow = true;
    if (m_modal) ::EndDialog(m_hWnd, IDCANCEL);
    DestroyWindow();
  }
}

const DLGTEMPLATE* CDialog::LoadTemplate() const {
  HRSRC res = ::FindResourceW(m_resourceModule, MAKEINTRESOURCEW(m_templateId), RT_DIALOG);
  if (!res) return nullptr;
  HGLOBAL data = ::LoadResource(m_resourceModule, res);
  return data ? static_cast<const DLGTEMPLATE*>(::LockResource(data)) : nullptr;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND, UINT, WPARAM, LPARAM) {
  // Everything reaches the object through the window procedure thunk; the
  // dialog manager's defaults apply to whatever it passes on.
  return FALSE;
}

bool CDialog::Create(HWND parent) { return CreateIndirect(LoadTemplate(), parent); }

bool CDialog::CreateIndirect(const DLGTEMPLATE* tmpl, HWND parent) {
  if (m_hWnd || !tmpl) return false;
  m_modal = false;
  HWND hwnd = nullptr;
  {
    AttachNextWindow scope(this);
    hwnd = ::CreateDialogIndirectParamW(m_resourceModule, tmpl, parent, &CDialog::DialogProc, 0);
  }
  if (!hwnd) return false;
  m_ownsWindow = true;
  return m_hWnd == hwnd;
}

INT_PTR CDialog::DoModal(HWND parent) { return DoModalIndirect(LoadTemplate(), parent); }

INT_PTR CDialog::DoModalIndirect(const DLGTEMPLATE* tmpl, HWND parent) {
  if (m_hWnd || !tmpl) return -1;
  m_modal = true;
  INT_PTR result;
  {
    AttachNextWindow scope(this);
    result = ::DialogBoxIndirectParamW(m_resourceModule, tmpl, parent, &CDialog::DialogProc, 0);
  }
  m_modal = false;
  return result;
}

void CDialog::EndDialog(INT_PTR result) {
  if (!m_hWnd) return;
  if (m_modal)
    ::EndDialog(m_hWnd, result);
  else
    ShowWindow(SW_HIDE);
}

bool CDialog::PreTranslateMessage(MSG& msg) {
  if (m_modal || !m_hWnd) return false;
  if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
  return ::IsDialogMessageW(m_hWnd, &msg) != FALSE;
}

BOOL CDialog::OnInitDialog() { return TRUE; }
void CDialog::OnOK() {
  if (m_modal) EndDialog(IDOK);
}
void CDialog::OnCancel() {
  if (m_modal) EndDialog(IDCANCEL);
}

bool CDialog::OnCommand(UINT id, UINT code, HWND control) {
  if (code == BN_CLICKED || (code == 0 && !control)) {
    if (id == IDOK) {
      OnOK();
      return true;
    }
    if (id == IDCANCEL) {
      OnCancel();
      return true;
    }
  }
  return CWnd::OnCommand(id, code, control);
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    m_layoutFont = FitDialogToLayoutDpi(m_hWnd);
    return OnInitDialog();
  }
  return CWnd::WindowProc(msg, wp, lp);
}
