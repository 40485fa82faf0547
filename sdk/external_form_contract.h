// Forms of a module shown inside windows of the host (a panel, a page of an options dialog).
// Same binary rules as the host contract: append, never reorder.
#pragma once

#include "sdk/host_contract.h"

// The host's side: the window that is to hold the form.
inline constexpr GUID IID_IExternalFormHolder = {
    0x6A1E2C0A, 0x3B7D, 0x4E52, {0x9C, 0x11, 0x52, 0x7A, 0x0D, 0x41, 0xC3, 0x0A}};
struct IExternalFormHolder : IUnknown {
  virtual HRESULT __stdcall GetParentWindow(HWND* result) = 0;
};

inline constexpr GUID IID_IExternalForm = {
    0x85961389, 0x4EF1, 0x4825, {0x83, 0x7C, 0xAC, 0xB0, 0x84, 0xEA, 0xD2, 0x6D}};
struct IExternalForm : IUnknown {
  virtual HRESULT __stdcall SetHolder(IExternalFormHolder* holder) = 0;
  virtual HRESULT __stdcall Attach() = 0;
  virtual HRESULT __stdcall Detach() = 0;
  virtual HRESULT __stdcall GetBounds(int* left, int* top, int* width, int* height) = 0;
  virtual HRESULT __stdcall GetCaption(BSTR* result) = 0;
  virtual HRESULT __stdcall GetWindowHandle(HWND* result) = 0;
  virtual HRESULT __stdcall Hide() = 0;
  virtual HRESULT __stdcall SetBounds(int left, int top, int width, int height) = 0;
  virtual HRESULT __stdcall SetFocus() = 0;
  virtual HRESULT __stdcall Show() = 0;
  virtual HRESULT __stdcall FocusFirstControl() = 0;
};

// A document's options shown by the host: the form's own operations follow the form's.
inline constexpr GUID IID_IDocumentOptionsView = {
    0x7786EE64, 0xCE9F, 0x4D1B, {0x8C, 0xFB, 0x69, 0xD0, 0x4D, 0x52, 0x98, 0x48}};
struct IDocumentOptionsView : IExternalForm {
  virtual HRESULT __stdcall SetDocumentPath(BSTR path) = 0;
  virtual HRESULT __stdcall GetModified(BOOLEAN* result) = 0;
  virtual HRESULT __stdcall LoadOptions() = 0;
  virtual HRESULT __stdcall SaveOptions() = 0;
  virtual HRESULT __stdcall CanApply(BOOLEAN* result) = 0;
  virtual HRESULT __stdcall ApplyOptions() = 0;
  virtual HRESULT __stdcall ResetOptions() = 0;
  virtual HRESULT __stdcall SetOption(BSTR name, BSTR value) = 0;
  virtual HRESULT __stdcall GetOptionState(BSTR name, int* result) = 0;
};

// A page of the host's options dialog.
inline constexpr GUID IID_IOptionsPage = {
    0xA3485CBA, 0x742A, 0x4E23, {0xA4, 0xFC, 0xDD, 0xE1, 0x92, 0x3F, 0x70, 0x69}};
struct IOptionsPage : IUnknown {
  virtual HRESULT __stdcall GetModified(BOOLEAN* result) = 0;
  virtual HRESULT __stdcall SetModified(BOOLEAN value) = 0;
  virtual HRESULT __stdcall ApplyChanges() = 0;
  virtual HRESULT __stdcall RevertChanges() = 0;
  virtual HRESULT __stdcall GetPageIndex(int* result) = 0;
  virtual HRESULT __stdcall GetHelpContext(int* result) = 0;
  virtual HRESULT __stdcall CanClose(BOOLEAN* result) = 0;
};
