// Message boxes, which the engine shows through ShowMessage. The box itself is shown by an
// installable handler: the start-up installs the dialog layer's box, tests a scripted operator,
// the unattended program its policy. Until one is installed the box goes to the standard error
// stream and its first button counts as pressed.
#pragma once

#include <cstdint>
#include <functional>

#include "services/error_numbers.h"
#include "services/text.h"
#include "services/windows_constants.h"

namespace quelb {

// Which prompt of the run a box is, so that a handler without an operator can decide it
// without reading its texts.
enum class BoxKind {
  kPathTooLong,         // a source or target folder the platform cannot take
  kHeldFolder,          // "Folder is in use - RETRY ?"
  kOpeningInput,        // "Error opening Input"
  kFileFailure,         // the per-file prompt, also for a failed sync of the folders
  kTargetProgramInUse,  // "Target program is in use - RETRY ?"
  kKeyProgramsInUse,    // "Key programs are in use - RETRY ??"
  kAnotherDisk,         // the disk prompt
  kCompleted,           // "Update is Completed"
  kCanceled,            // the abort message
};

// What failed, for a box that reports a failure; number 0 for any other box.
struct BoxFailure {
  ErrorNumber number = 0;
  int platformCode = 0;           // errno on POSIX, GetLastError on Windows; 0 when unknown
  Text file;                      // the file or folder at hand
  bool heldByAnotherRun = false;  // the cause is a folder another run holds
};

struct Box {
  BoxKind kind;
  Text text;
  Text title;
  uint32_t style;
  BoxFailure failure;
};

// A handler's answer beside the box's buttons: the run ends through its own abort path, its
// folders synced and its locks given up, as after Abort or Cancel.
inline constexpr int kEndTheRun = -1;

// Returns the code of one of the box's buttons, or kEndTheRun.
using MessageHandler = std::function<int(const Box& box)>;

// The code of a box's first button, which is its default.
int FirstButtonOf(uint32_t style);

// Installs the handler and returns the one it replaces.
MessageHandler SetMessageHandler(MessageHandler handler);
// Whether the handler shows its boxes on a screen, where the status line is given a moment to
// settle before each; one that answers without a screen is not kept waiting. Returns what it
// replaces; boxes are shown on a screen unless told otherwise.
bool SetBoxesShownOnScreen(bool shown);

// Shows the box and returns the handler's answer. Line breaks are CR LF.
int ShowMessage(const Box& box);

}  // namespace quelb
