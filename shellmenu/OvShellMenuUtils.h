// The product's menu items, the caption item's per-file texts, and what a
// chosen command does: write the list file and start the viewer beside the
// library (the registered one for the classic menu, the loaded one for the
// Explorer commands).
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
// How a command starts the viewer; the two doors differ.
struct TViewerStart {
    // The classic handler finds the viewer beside its registered library.
    // The Explorer commands run in whatever process loaded this library (the
    // package's surrogate, with no registration at all): they take the
    // viewer beside the library they are in.
    bool BesideThisLibrary = false;
    // Passes the starter's leave to take the foreground on to the viewer,
    // so it comes to the front as Explorer's own verbs do.
    bool ToFront = false;
};

// The OnClick handler of MenuItems: the item's Index picks the viewer switch.
// Throws ECommandError or ERegistryException with the text for the user.
void MenuItemClick(TlumShellMenuItem& item, const std::wstring& fileName, const TSelection& selection);

// What MenuItemClick does for the item at list position `position`, with the
// viewer started as `start` says. Throws as MenuItemClick does.
void RunMenuCommand(int position, const std::wstring& fileName, const TSelection& selection,
                    const TViewerStart& start);

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

// Starts the viewer with `switchText "listFileName"` (an ANSI name), without
// waiting for it: the one beside the registered library, or the one beside
// this library when start says so.
void RunViewer(const std::string& switchText, const std::string& listFileName, const TViewerStart& start = {});

// The viewer's path for a library path: the extension of its file-name part
// replaced by ".exe" (appended when there is none).
std::wstring ViewerPathFor(const std::wstring& libraryPath);

} // namespace ovs
