// Resource string ids and the fixed texts of the shell menu: names that the
// registry, the viewer and Explorer see, which are never translated.
#pragma once

#include "GuidText.h"
#include "resource.h"

#include <windows.h>

namespace ovs {

// The handler's class identifier; every text form below is derived from it.
inline constexpr CLSID CLSID_OvShellMenu = {
    0x6F0B2D4E, 0x93A1, 0x4C7E, {0x8B, 0x25, 0x1D, 0x9E, 0x4A, 0x7C, 0x3F, 0x60}};

inline constexpr TFixedText<39> kMenuClsidText = GuidText(CLSID_OvShellMenu);
inline constexpr char kMenuDescription[] = "Orvane Slide Show shell menu items";
inline constexpr char kThreadingModel[] = "Apartment";

// The Explorer commands' root class, which a package manifest names as well:
// the build reads these digits from here, so each hexadecimal number keeps
// its full width.
inline constexpr CLSID CLSID_OvExplorerCommand = {
    0x24FC18D4, 0x6ADD, 0x4697, {0xAB, 0xAD, 0xF6, 0xF3, 0xDF, 0xC1, 0xAD, 0xDE}};

inline constexpr char kExplorerCommandDescription[] = "Orvane Slide Show Explorer commands";

inline constexpr auto kInprocServerKey = JoinedText("CLSID\\", kMenuClsidText.Text, "\\InprocServer32");
inline constexpr char kFileHandlerKey[] = "*\\shellex\\ContextMenuHandlers\\Orvane Slide Show";
inline constexpr char kFolderHandlerKey[] = "folder\\shellex\\ContextMenuHandlers\\Orvane Slide Show";
// Where a per-user registration puts what a machine-wide one puts under
// HKEY_CLASSES_ROOT.
inline constexpr char kUserClassesKey[] = "Software\\Classes";
inline constexpr char kApprovedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

// Prefix of the list files in the temporary folder.
inline constexpr wchar_t kListFilePrefix[] = L"ovs";
inline constexpr wchar_t kViewerExtension[] = L".exe";

// The viewer's switches, by command offset; offsets without one run nothing.
inline constexpr const char* kViewerSwitches[] = {nullptr, "-show", "-config", "-build", "-setcaption", nullptr};

} // namespace ovs
