#include "dialog/curses/keyboard.h"

#include <curses.h>

#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "services/message.h"

namespace quelb::dialog::curses {
namespace {

constexpr int kEscape = 27;
constexpr int kDeleteByte = 127;
constexpr int kBackspaceByte = 8;

bool IsTabStop(const Control& control) {
  return (control.style & WS_TABSTOP) != 0;
}

void Focus(Record& record, int index) {
  record.focus = index;
  Control& control = record.controls[index];
  // Taking the focus from the keyboard selects the whole text, as an edit control does.
  if (control.kind == ControlKind::kTextBox) control.edit.SelectAll();
}

void MoveFocus(Record& record, bool backwards) {
  std::vector<int> stops;
  for (size_t i = 0; i < record.controls.size(); ++i) {
    if (IsTabStop(record.controls[i])) stops.push_back(static_cast<int>(i));
  }
  if (stops.empty()) return;
  const size_t count = stops.size();
  size_t next = backwards ? count - 1 : 0;
  for (size_t i = 0; i < count; ++i) {
    if (stops[i] == record.focus) next = backwards ? (i + count - 1) % count : (i + 1) % count;
  }
  Focus(record, stops[next]);
}

int DefaultCommandId(const Record& record) {
  for (const Control& control : record.controls) {
    if (control.kind == ControlKind::kButton && control.isDefault) return control.id;
  }
  return IDOK;
}

const Control* ButtonWithMnemonic(const Record& record, char mnemonic) {
  for (const Control& control : record.controls) {
    if (control.kind == ControlKind::kButton && control.caption.mnemonic == mnemonic) {
      return &control;
    }
  }
  return nullptr;
}

std::optional<EditKey> EditKeyOf(int code) {
  switch (code) {
    case KEY_LEFT:
      return EditKey::kLeft;
    case KEY_RIGHT:
      return EditKey::kRight;
    case KEY_HOME:
    case KEY_FIND:
      return EditKey::kHome;
    case KEY_END:
    case KEY_SELECT:
      return EditKey::kEnd;
    case KEY_BACKSPACE:
    case kDeleteByte:
    case kBackspaceByte:
      return EditKey::kBackspace;
    case KEY_DC:
      return EditKey::kDelete;
    default:
      return std::nullopt;
  }
}

bool IsTypedByte(int code) {
  return code >= 0x20 && code <= 0xFF && code != kDeleteByte;
}

bool IsEnter(int code) {
  return code == '\r' || code == '\n' || code == KEY_ENTER;
}

// A text box takes the editing keys and the bytes typed; true when it took the key.
bool EditKeyInBox(Record& record, Control& box, int code) {
  bool changed = false;
  if (const std::optional<EditKey> key = EditKeyOf(code)) {
    changed = box.edit.Press(*key);
  } else if (IsTypedByte(code)) {
    changed = box.edit.Type(static_cast<char>(code));
  } else {
    return false;
  }
  if (changed) SendCommand(&record, box.id, EN_CHANGE);
  return true;
}

// Away from the text boxes Space presses the button with the focus, and the arrows move the
// focus as Tab does.
bool ButtonKey(Record& record, const Control& button, int code) {
  if (code == ' ') {
    SendCommand(&record, button.id, BN_CLICKED);
    return true;
  }
  if (code == KEY_LEFT || code == KEY_UP || code == KEY_RIGHT || code == KEY_DOWN) {
    MoveFocus(record, code == KEY_LEFT || code == KEY_UP);
    return true;
  }
  return false;
}

bool DialogKey(Record& record, Control* focused, int code) {
  if (code == '\t' || code == KEY_BTAB) {
    MoveFocus(record, code == KEY_BTAB);
    return true;
  }
  if (IsEnter(code)) {
    const bool onButton = focused != nullptr && focused->kind == ControlKind::kButton;
    SendCommand(&record, onButton ? focused->id : DefaultCommandId(record), BN_CLICKED);
    return true;
  }
  if (code == kEscape) {
    SendCommand(&record, IDCANCEL, BN_CLICKED);
    return true;
  }
  if (focused == nullptr) return false;
  if (focused->kind == ControlKind::kTextBox) return EditKeyInBox(record, *focused, code);
  return focused->kind == ControlKind::kButton && ButtonKey(record, *focused, code);
}

// A paste goes into the text box with the focus as if typed, up to its first line break and
// without its control characters, and changes the box once; it never acts as keys.
void PasteIntoFocus(Record& record, const std::string& pasted) {
  if (record.focus < 0) return;
  Control& box = record.controls[record.focus];
  if (box.kind != ControlKind::kTextBox) return;
  bool changed = false;
  for (const char byte : pasted.substr(0, pasted.find_first_of("\r\n"))) {
    if (IsTypedByte(static_cast<unsigned char>(byte))) changed = box.edit.Type(byte) || changed;
  }
  if (changed) SendCommand(&record, box.id, EN_CHANGE);
}

}  // namespace

void FocusFirstTabStop(Record& record) {
  for (size_t i = 0; i < record.controls.size(); ++i) {
    if (IsTabStop(record.controls[i])) return Focus(record, static_cast<int>(i));
  }
}

void HandleKey(Record& record, const Key& key) {
  if (key.code == kPasted) return PasteIntoFocus(record, key.pasted);
  Control* focused = record.focus >= 0 ? &record.controls[record.focus] : nullptr;
  if (!key.alt && DialogKey(record, focused, key.code)) return;
  // A letter is a mnemonic with Alt, and alone where the focus is not in a text box.
  if (key.code < 0 || key.code >= 128 || !std::isalnum(key.code)) return;
  const bool inTextBox = focused != nullptr && focused->kind == ControlKind::kTextBox;
  if (!key.alt && inTextBox) return;
  const Control* button = ButtonWithMnemonic(record, static_cast<char>(std::tolower(key.code)));
  if (button != nullptr) SendCommand(&record, button->id, BN_CLICKED);
}

}  // namespace quelb::dialog::curses
