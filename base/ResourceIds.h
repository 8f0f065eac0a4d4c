// Identifiers of the resources of both programs. Plain macros, so that the resource scripts, the
// Win32 side and every layer of the portable code can include this file.
#pragma once

// Dialogs
#define IDD_ABOUTBOX                    100
#define IDD_TOLVEXDESKTOPWIN_DIALOG     102
#define IDD_DIAGNOSTICS                 103

// String table
#define IDS_ABOUTBOX                    101
#define IDS_CONFIRM_EDIT_ADD            102
#define IDS_SOCKETS_INIT_FAILED         103
#define IDS_PHONEBOOK_FILE_NAME         104
#define IDS_ENTRY_NAME                  105
#define IDS_EDIT_SETTINGS               106
#define IDS_CREATE_SETTINGS             107
#define IDS_CONNECT                     108
#define IDS_DISCONNECT                  109
#define IDS_REGISTRY_MUST_BE_MODIFIED   110
#define IDS_RUN_AS_ADMINISTRATOR        111
#define IDS_HIDE_TO_TASKTRAY            112
#define IDS_NOT_SET_UP_YET              129
#define IDS_CONFIRM_DISCONNECT_QUIT     145
#define IDS_REBOOT_NOW                  146
// A command ended by a failure other than a file error.
#define IDS_COMMAND_FAILED              150
// The switches a script may start the program with.
#define IDS_USAGE                       151
#define IDS_DIAGNOSTICS                 152

// Texts of the registry tool "Tolvex Regset.exe"
#define IDS_REGSET_NOTHING_TO_CHANGE    160
#define IDS_REGSET_CHANGED              161
#define IDS_REGSET_NEEDS_ADMINISTRATOR  162
#define IDS_REGSET_WRITE_FAILED         163

// File-error texts, one per kind of failure; each "%1" is replaced by the file's path.
#define IDP_FILE_NONE                   61856
#define IDP_FILE_GENERIC                61857
#define IDP_FILE_NOT_FOUND              61858
#define IDP_FILE_BAD_PATH               61859
#define IDP_FILE_TOO_MANY_OPEN          61860
#define IDP_FILE_ACCESS_DENIED          61861
#define IDP_FILE_INVALID_FILE           61862
#define IDP_FILE_REMOVE_CURRENT         61863
#define IDP_FILE_DIR_FULL               61864
#define IDP_FILE_BAD_SEEK               61865
#define IDP_FILE_HARD_IO                61866
#define IDP_FILE_SHARING                61867
#define IDP_FILE_LOCKING                61868
#define IDP_FILE_DISK_FULL              61869
#define IDP_FILE_EOF                    61870

// Icons, menu, animation clip
#define IDR_MAINFRAME                   128
#define IDI_ICON148                     148
#define IDI_ICON149                     149
#define IDR_POPUPMENU                   147
#define IDR_AVI_ACTIVITY                153

// Controls of the main dialog
#define IDC_SETTINGS                    1002
#define IDC_ACTIVITY                    1003
#define IDC_CONNECT                     1004
#define IDC_ANIMATE                     1006
#define IDC_HIDE                        1007
// Controls of the diagnostics
#define IDC_RECORD                      1010
#define IDC_COPY                        1011

// Commands
#define ID_POPUP_SHOW                   32773
