// Where a help or web link of a dialog is shown: the user's web browser, a PDF help file at a
// page, a host view that shows it already, a host document, or the host's task panel.
#pragma once

#include <string>
#include <string_view>

#include "framework/win/com.h"
#include "sdk/host_contract.h"

namespace sdk {

// Shows the address where it belongs; nothing when it leads nowhere. A failure status from the
// host raises EHostError.
void NavigateToAddress(const std::wstring& address);

// "http", "ftp" or "https", ASCII letter case ignored.
bool IsWebScheme(std::wstring_view scheme);
// The shell's "open" verb on the address, owned by the application window.
void OpenWithShell(const std::wstring& address);
// The address goes to the shell when the host prefers the external browser and it is a web
// address.
bool OpenInExternalBrowser(const std::wstring& address);
// The external browser, else the host's task panel "PickATask"; false when neither took it.
bool OpenInTaskPanel(const std::wstring& address);
// "<file>.pdf#PAGE=<n>" (extension case ignored): the address becomes the help file and `page`
// the number (-1 when it is none). The address is cut before "#PAGE=" whenever that is there.
bool ParsePdfPageLink(std::wstring& address, int& page);
bool IsViewShowingAddress(IServerView* view, const std::wstring& address);
// The first view of any document of any server module that shows the address; empty if none.
win::ComPtr<IServerView> FindViewShowingAddress(const std::wstring& address);

// How OpenWithShell reaches the shell; replaced where no program may really start.
using ShellOpener = void (*)(HWND owner, const std::wstring& address);
// Installs `opener` (null: the shell's) and returns the previous one.
ShellOpener SetShellOpener(ShellOpener opener) noexcept;

}  // namespace sdk
