// The Windows constants that the system speaks in on every platform: the styles and answers
// of the message boxes, the show state of a started program, and the messages, styles and
// notifications of the dialog layer.
//
// They keep the platform's own names, and so they live where the platform puts them: in the
// global namespace, each defined here only where <windows.h> has not defined it already.
// Where that header came first, a name is its macro, of the same value; where it comes later,
// its macro stands for the same value from there on. So any order of includes compiles on
// either platform, as long as the names are written unqualified, and no portable file needs
// the platform header. dialog/win32/windows_constants.cpp asserts every value against it.
#pragma once

#include <cstdint>

// Message box styles.
#ifndef MB_OK
inline constexpr uint32_t MB_OK = 0x0;
#endif
#ifndef MB_OKCANCEL
inline constexpr uint32_t MB_OKCANCEL = 0x1;
#endif
#ifndef MB_ABORTRETRYIGNORE
inline constexpr uint32_t MB_ABORTRETRYIGNORE = 0x2;
#endif
#ifndef MB_YESNOCANCEL
inline constexpr uint32_t MB_YESNOCANCEL = 0x3;
#endif
#ifndef MB_YESNO
inline constexpr uint32_t MB_YESNO = 0x4;
#endif
#ifndef MB_RETRYCANCEL
inline constexpr uint32_t MB_RETRYCANCEL = 0x5;
#endif
#ifndef MB_TYPEMASK
inline constexpr uint32_t MB_TYPEMASK = 0xF;
#endif
#ifndef MB_ICONQUESTION
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
#endif
#ifndef MB_TASKMODAL
inline constexpr uint32_t MB_TASKMODAL = 0x2000;
#endif

// The buttons of a message box, as it answers, and the commands of a dialog's OK and Cancel.
#ifndef IDOK
inline constexpr int IDOK = 1;
#endif
#ifndef IDCANCEL
inline constexpr int IDCANCEL = 2;
#endif
#ifndef IDABORT
inline constexpr int IDABORT = 3;
#endif
#ifndef IDRETRY
inline constexpr int IDRETRY = 4;
#endif
#ifndef IDIGNORE
inline constexpr int IDIGNORE = 5;
#endif
#ifndef IDYES
inline constexpr int IDYES = 6;
#endif
#ifndef IDNO
inline constexpr int IDNO = 7;
#endif

// Show states.
#ifndef SW_SHOWNORMAL
inline constexpr int SW_SHOWNORMAL = 1;
#endif

// Window messages, and the close command of WM_SYSCOMMAND.
#ifndef WM_SIZE
inline constexpr uint32_t WM_SIZE = 5;
#endif
#ifndef WM_CLOSE
inline constexpr uint32_t WM_CLOSE = 16;
#endif
#ifndef WM_INITDIALOG
inline constexpr uint32_t WM_INITDIALOG = 272;
#endif
#ifndef WM_COMMAND
inline constexpr uint32_t WM_COMMAND = 273;
#endif
#ifndef WM_SYSCOMMAND
inline constexpr uint32_t WM_SYSCOMMAND = 274;
#endif
#ifndef SC_CLOSE
inline constexpr uint32_t SC_CLOSE = 0xF060;
#endif

// The size types that WM_SIZE carries.
#ifndef SIZE_RESTORED
inline constexpr uint32_t SIZE_RESTORED = 0;
#endif
#ifndef SIZE_MINIMIZED
inline constexpr uint32_t SIZE_MINIMIZED = 1;
#endif
#ifndef SIZE_MAXIMIZED
inline constexpr uint32_t SIZE_MAXIMIZED = 2;
#endif

// Window styles.
#ifndef WS_POPUP
inline constexpr uint32_t WS_POPUP = 0x80000000;
#endif
#ifndef WS_CHILD
inline constexpr uint32_t WS_CHILD = 0x40000000;
#endif
#ifndef WS_MINIMIZE
inline constexpr uint32_t WS_MINIMIZE = 0x20000000;
#endif
#ifndef WS_VISIBLE
inline constexpr uint32_t WS_VISIBLE = 0x10000000;
#endif
#ifndef WS_MAXIMIZE
inline constexpr uint32_t WS_MAXIMIZE = 0x01000000;
#endif
#ifndef WS_CAPTION
inline constexpr uint32_t WS_CAPTION = 0x00C00000;
#endif
#ifndef WS_BORDER
inline constexpr uint32_t WS_BORDER = 0x00800000;
#endif
#ifndef WS_SYSMENU
inline constexpr uint32_t WS_SYSMENU = 0x00080000;
#endif
#ifndef WS_GROUP
inline constexpr uint32_t WS_GROUP = 0x00020000;
#endif
#ifndef WS_TABSTOP
inline constexpr uint32_t WS_TABSTOP = 0x00010000;
#endif
#ifndef WS_EX_CLIENTEDGE
inline constexpr uint32_t WS_EX_CLIENTEDGE = 0x00000200;
#endif

// Dialog styles.
#ifndef DS_SYSMODAL
inline constexpr uint32_t DS_SYSMODAL = 0x0002;
#endif
#ifndef DS_3DLOOK
inline constexpr uint32_t DS_3DLOOK = 0x0004;
#endif
#ifndef DS_NOFAILCREATE
inline constexpr uint32_t DS_NOFAILCREATE = 0x0010;
#endif
#ifndef DS_SETFONT
inline constexpr uint32_t DS_SETFONT = 0x0040;
#endif
#ifndef DS_MODALFRAME
inline constexpr uint32_t DS_MODALFRAME = 0x0080;
#endif
#ifndef DS_CENTER
inline constexpr uint32_t DS_CENTER = 0x0800;
#endif

// Control styles, and the notifications that a control's WM_COMMAND carries.
#ifndef SS_LEFT
inline constexpr uint32_t SS_LEFT = 0x0000;
#endif
#ifndef SS_ETCHEDFRAME
inline constexpr uint32_t SS_ETCHEDFRAME = 0x0012;
#endif
#ifndef ES_LEFT
inline constexpr uint32_t ES_LEFT = 0x0000;
#endif
#ifndef ES_AUTOHSCROLL
inline constexpr uint32_t ES_AUTOHSCROLL = 0x0080;
#endif
#ifndef BS_PUSHBUTTON
inline constexpr uint32_t BS_PUSHBUTTON = 0x0000;
#endif
#ifndef BS_DEFPUSHBUTTON
inline constexpr uint32_t BS_DEFPUSHBUTTON = 0x0001;
#endif
#ifndef BN_CLICKED
inline constexpr uint32_t BN_CLICKED = 0;
#endif
#ifndef EN_CHANGE
inline constexpr uint32_t EN_CHANGE = 0x300;
#endif
