// Help documents are PDF files: they open at a page in the reader the shell has registered.
// Old readers take no page argument, so they get the plain command line (and the user a warning
// once); newer ones get the page on the command line and a DDE jump to it.
#pragma once

#include <string>

namespace sdk {

// Starts the reader on the file at the page (counted from 1). A file missing as given is looked
// for in the fallback help folder by its bare name. False when the file is nowhere, its path
// holds a double quote (it would break out of its quotes on the command line) or the reader
// does not start.
bool ShowPdfHelp(const std::string& file_name, int page);

// The shell's open command for PDF files without its file placeholders; empty when none.
std::string GetPdfReaderCommand();
// The reader's major version, from the control classes it registers or from its program.
int GetPdfReaderVersion(const std::string& command);
// An execute transaction to the running reader; every failure is silent.
void SendPdfReaderDdeCommand(const std::string& text);

// "EnableAcrobatVersionPopup" under the forms key; missing counts as on.
bool IsAcrobatWarningEnabled();
void DisableAcrobatWarning();

}  // namespace sdk
