// Every constant of services/windows_constants.h against the platform header. The portable
// values are taken first, as the platform header then turns each name into its macro.
#include "services/windows_constants.h"

// The names that services/windows_constants.h defines, each once.
#define QUELB_WINDOWS_CONSTANTS(X) \
  X(MB_OK)                         \
  X(MB_OKCANCEL)                   \
  X(MB_ABORTRETRYIGNORE)           \
  X(MB_YESNOCANCEL)                \
  X(MB_YESNO)                      \
  X(MB_RETRYCANCEL)                \
  X(MB_TYPEMASK)                   \
  X(MB_ICONQUESTION)               \
  X(MB_TASKMODAL)                  \
  X(IDOK)                          \
  X(IDCANCEL)                      \
  X(IDABORT)                       \
  X(IDRETRY)                       \
  X(IDIGNORE)                      \
  X(IDYES)                         \
  X(IDNO)                          \
  X(SW_SHOWNORMAL)                 \
  X(WM_SIZE)                       \
  X(WM_CLOSE)                      \
  X(WM_INITDIALOG)                 \
  X(WM_COMMAND)                    \
  X(WM_SYSCOMMAND)                 \
  X(SC_CLOSE)                      \
  X(SIZE_RESTORED)                 \
  X(SIZE_MINIMIZED)                \
  X(SIZE_MAXIMIZED)                \
  X(WS_POPUP)                      \
  X(WS_CHILD)                      \
  X(WS_MINIMIZE)                   \
  X(WS_VISIBLE)                    \
  X(WS_MAXIMIZE)                   \
  X(WS_CAPTION)                    \
  X(WS_BORDER)                     \
  X(WS_SYSMENU)                    \
  X(WS_GROUP)                      \
  X(WS_TABSTOP)                    \
  X(WS_EX_CLIENTEDGE)              \
  X(DS_SYSMODAL)                   \
  X(DS_3DLOOK)                     \
  X(DS_NOFAILCREATE)               \
  X(DS_SETFONT)                    \
  X(DS_MODALFRAME)                 \
  X(DS_CENTER)                     \
  X(SS_LEFT)                       \
  X(SS_ETCHEDFRAME)                \
  X(ES_LEFT)                       \
  X(ES_AUTOHSCROLL)                \
  X(BS_PUSHBUTTON)                 \
  X(BS_DEFPUSHBUTTON)              \
  X(BN_CLICKED)                    \
  X(EN_CHANGE)

namespace {

#define QUELB_TAKE_PORTABLE_VALUE(name) constexpr int64_t kPortable_##name = name;
QUELB_WINDOWS_CONSTANTS(QUELB_TAKE_PORTABLE_VALUE)

}  // namespace

// After the values it would otherwise stand for.
#include "dialog/win32/windows_api.h"

#define QUELB_ASSERT_PLATFORM_VALUE(name)                       \
  static_assert(kPortable_##name == static_cast<int64_t>(name), \
                #name " is not the platform's value");
QUELB_WINDOWS_CONSTANTS(QUELB_ASSERT_PLATFORM_VALUE)
