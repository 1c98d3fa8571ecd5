/* Resource identifiers of OvSShow.dll and OvUninst.exe, shared by their .rc
   files and the C++ code. */
#ifndef OVS_RESOURCE_H
#define OVS_RESOURCE_H

/* Icons: the product's and one for each command, at 16 to 48 pixels. Other
   programs name them as "<library path>,-<id>", so the numbers never change. */
#define IDI_PRODUCT               201
#define IDI_SHOW                  202
#define IDI_CONFIG                203
#define IDI_BUILD                 204
#define IDI_SETCAPTION            205

/* Menu texts and help texts, by item. */
#define IDS_SHOW_CAPTION          1001
#define IDS_SHOW_HINT             1002
#define IDS_CONFIG_CAPTION        1003
#define IDS_CONFIG_HINT           1004
#define IDS_BUILD_CAPTION         1005
#define IDS_BUILD_HINT            1006
#define IDS_SETCAPTION_CAPTION    1007
#define IDS_SETCAPTION_HINT       1008

/* The caption item's texts once a file is known. */
#define IDS_SET_CAPTION_FOR       1010
#define IDS_EDIT_CAPTION_FOR      1011
#define IDS_CURRENT_CAPTION       1012

/* Messages. */
#define IDS_VIEWER_NOT_FOUND      1020
#define IDS_REGISTRY_ENTRY_ERROR  1021
#define IDS_MESSAGE_TITLE         1022
#define IDS_COMMAND_FAILED        1023
#define IDS_RESOURCE_NOT_FOUND    1024

/* Registry errors of the system utilities, in both deliverables; "%s" is the
   key path or the value name. */
#define IDS_UNABLE_TO_OPEN_KEY    1030
#define IDS_INVALID_DATA_TYPE     1031
#define IDS_FAILED_TO_GET_DATA    1032
#define IDS_FAILED_TO_SET_DATA    1033

/* Icons of the product and of each command, for the Explorer commands
   ("<module path>,-<id>") and the menu pictures. */
#define IDI_PRODUCT               201
#define IDI_SHOW                  202
#define IDI_CONFIG                203
#define IDI_BUILD                 204
#define IDI_SETCAPTION            205

#endif
