#pragma once
// CDialog: a dialog created from a dialog template of a resource module (the
// theme's res.dll), either modeless (Create: pages, child windows kept for the
// life of their owner) or modal (DoModal).
//
// The dialog window is attached to the object before its first message, so
// OnCreate-time messages, OnInitDialog and every later message reach the
// virtual handlers. Enter and Escape arrive as OnOK and OnCancel (IDOK and
// IDCANCEL commands); their defaults end a modal dialog, and destroy nothing for
// a modeless one.

#include "framework/Handles.h"
#include "framework/Wnd.h"

class CDialog : public CWnd {
 public:
  // templateId: the dialog template's numeric ID in resourceModule (nullptr: the
  // executable).
  CDialog(UINT templateId, HINSTANCE resourceModule);
  ~CDialog() override;

  // Creates the modeless dialog as a child (or owned pop-up) of parent.
  bool Create(HWND parent);
  // The same from a template in memory (tools and tests build their own).
  bool CreateIndirect(const DLGTEMPLATE* tmpl, HWND parent);
  // Runs the dialog modally; returns the value given to EndDialog, or -1 when the
  // template is missing or the dialog could not be created.
  INT_PTR DoModal(HWND parent);
  INT_PTR DoModalIndirect(const DLGTEMPLATE* tmpl, HWND parent);
  void EndDialog(INT_PTR result);
  bool IsModal() const { return m_modal; }

  UINT GetTemplateId() const { return m_templateId; }
  HINSTANCE GetResourceModule() const { return m_resourceModule; }

  // Runs IsDialogMessage for a modeless dialog (keyboard navigation in pages).
  bool PreTranslateMessage(MSG& msg) override;

 protected:
  // WM_INITDIALOG. Return TRUE to let the dialog manager focus the first control.
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

  LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
  bool OnCommand(UINT id, UINT code, HWND control) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
  const DLGTEMPLATE* LoadTemplate() const;

  UINT m_templateId;
  HINSTANCE m_resourceModule;
  bool m_modal = false;
  // The template's font at the layout DPI, when the screen reports another.
  UniqueFont m_layoutFont;
};
