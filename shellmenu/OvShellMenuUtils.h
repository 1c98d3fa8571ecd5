// The product's menu items, the caption item's per-file texts, and what a
// chosen command does: write the list file and start the viewer beside the
// registered library.
#pragma once

#include "OvShellMenuClasses.h"
#include "ResString.h"

#include <windows.h>

#include <stdexcept>
#include <string>

namespace ovs {

// A command that could not run, with the text for the user.
class ECommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// --- Module load and unload --------------------------------------------------
// How the caption lookups read files. Each lookup has a reader state of its
// own, so menus on two threads never wait for each other's file.
// InitPlatformFlags must have run: the family decides the reader's path form.
void CreateCaptionReader();
void FreeCaptionReader();

// Creates MenuItems with its six items and their pictures for the Windows at
// hand and the process's display scale, OnClick = MenuItemClick, and hooks
// PrepareCaptionItem in; throws when a resource is missing. InitPlatformFlags
// must have run.
void SetupMenuItems();
// Frees MenuItems with its items and bitmaps.
void FreeMenuItems();

// --- The caption item ----------------------------------------------------------
// "Set Caption for "/"Edit Caption for " + the file-name part (each '&'
// doubled, so the menu shows it rather than a mnemonic), and
// "Current Caption: " + the image's caption, decoded as its writer wrote it
// on the NT family (DecodeStoredText), its ANSI bytes on the 9x family.
// Never throws.
TCaptionTexts PrepareCaptionItem(const std::wstring& jpegPath);

// --- Commands ------------------------------------------------------------------
// The OnClick handler of MenuItems: the item's Index picks the viewer switch.
// Throws ECommandError or ERegistryException with the text for the user.
void MenuItemClick(TlumShellMenuItem& item, const std::wstring& fileName, const TSelection& selection);

// Writes the selection into a new "ovs*.tmp" file of the temporary folder (a
// folder of any name): one ANSI line ended by CR LF per entry, the entry's
// exact ANSI form or its 8.3 alias (AnsiPathOf); an entry with neither gets
// its text with '|' for what the code page lacks, which names no file and is
// no wildcard.
// Answers the list file's own ANSI name (exact or 8.3 alias), which the
// viewer can open; "" when the list could not be written or has no such
// name (then it is removed again).
std::string WriteListFile(const TSelection& selection);

// Shows a command's failure: message, or the general text where the error
// carried none, in a message box owned by owner (may be null). The caller has
// checked that it may bother the user.
void ShowCommandError(HWND owner, const char* message) noexcept;

// Starts the viewer that sits beside the registered library with
// `switchText "listFileName"` (an ANSI name), without waiting for it.
void RunViewer(const std::string& switchText, const std::string& listFileName);

// The viewer's path for a library path: the extension of its file-name part
// replaced by ".exe" (appended when there is none).
std::wstring ViewerPathFor(const std::wstring& libraryPath);

} // namespace ovs
