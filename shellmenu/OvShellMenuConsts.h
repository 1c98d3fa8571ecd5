// Resource string ids and the fixed texts of the shell menu: names that the
// registry, the viewer and Explorer see, which are never translated.
#pragma once

#include "resource.h"

namespace ovs {

// The handler's class identifier, in the registry's text form.
inline constexpr char kMenuClsidText[] = "{6F0B2D4E-93A1-4C7E-8B25-1D9E4A7C3F60}";
inline constexpr char kMenuDescription[] = "Orvane Slide Show shell menu items";
// The handler's key name under ContextMenuHandlers.
inline constexpr char kMenuHandlerName[] = "Orvane Slide Show";
inline constexpr char kThreadingModel[] = "Apartment";

inline constexpr char kClsidKey[] = "CLSID\\{6F0B2D4E-93A1-4C7E-8B25-1D9E4A7C3F60}";
inline constexpr char kInprocServerKey[] = "CLSID\\{6F0B2D4E-93A1-4C7E-8B25-1D9E4A7C3F60}\\InprocServer32";
inline constexpr char kFileHandlerKey[] = "*\\shellex\\ContextMenuHandlers\\Orvane Slide Show";
inline constexpr char kFolderHandlerKey[] = "folder\\shellex\\ContextMenuHandlers\\Orvane Slide Show";
inline constexpr char kApprovedKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

// Prefix of the list files in the temporary folder.
inline constexpr char kListFilePrefix[] = "ovs";
inline constexpr char kViewerExtension[] = ".exe";

// The viewer's switches, by command offset; offsets without one run nothing.
inline constexpr const char* kViewerSwitches[] = {nullptr, "-show", "-config", "-build", "-setcaption", nullptr};

} // namespace ovs
