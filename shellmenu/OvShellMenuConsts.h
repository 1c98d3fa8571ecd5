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

inline constexpr auto kInprocServerKey = JoinedText("CLSID\\", kMenuClsidText.Text, "\\InprocServer32");
inline constexpr char kFileHandlerKey[] = "*\\shellex\\ContextMenuHandlers\\Orvane Slide Show";
inline constexpr char kFolderHandlerKey[] = "folder\\shellex\\ContextMenuHandlers\\Orvane Slide Show";
inline constexpr char kApprovedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

// Prefix of the list files in the temporary folder.
inline constexpr wchar_t kListFilePrefix[] = L"ovs";
inline constexpr wchar_t kViewerExtension[] = L".exe";

// The viewer's switches, by command offset; offsets without one run nothing.
inline constexpr const char* kViewerSwitches[] = {nullptr, "-show", "-config", "-build", "-setcaption", nullptr};

} // namespace ovs
