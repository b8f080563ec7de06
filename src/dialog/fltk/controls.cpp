#include "dialog/fltk/controls.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include "dialog/fltk/face.h"

namespace quelb::dialog::fltk {
namespace {

bool IsEnter(int key) {
  return key == FL_Enter || key == FL_KP_Enter;
}

constexpr int kModifiers = FL_ALT | FL_CTRL | FL_META;

void DrawClientEdgeBox(int x, int y, int width, int height, Fl_Color colour) {
  fl_rectf(x + 2, y + 2, width - 4, height - 4, colour);
  DrawSunkenEdge(x, y, width, height);
}

Fl_Boxtype ClientEdgeBox() {
  static const Fl_Boxtype box = [] {
    Fl::set_boxtype(FL_FREE_BOXTYPE, DrawClientEdgeBox, 2, 2, 4, 4);
    return FL_FREE_BOXTYPE;
  }();
  return box;
}

}  // namespace

Label::Label(int x, int y, int width, int height, const std::string& text)
    : Fl_Widget(x, y, width, height), text_(text) {
  clear_visible_focus();
}

void Label::SetText(const std::string& text) {
  text_ = text;
  redraw();
}

void Label::draw() {
  fl_rectf(x(), y(), w(), h(), kFaceColour);
  DrawWrappedText(text_, x(), y(), w(), h());
}

EtchedLine::EtchedLine(int x, int y, int width, int height) : Fl_Widget(x, y, width, height) {
  clear_visible_focus();
}

void EtchedLine::draw() {
  fl_rectf(x(), y(), w(), h(), kFaceColour);
  DrawEtchedFrame(x(), y(), w(), h());
}

TextBox::TextBox(Record* dialog, int id, int x, int y, int width, int height,
                 const std::string& text, bool clientEdge, bool border)
    : Fl_Input(x, y, width, height), dialog_(dialog), id_(id) {
  value(text.data(), static_cast<int>(text.size()));
  box(clientEdge ? ClientEdgeBox() : border ? FL_BORDER_BOX : FL_FLAT_BOX);
  color(kWindowColour);
  selection_color(kSelectionColour);
  textfont(kDialogFont);
  textsize(kDialogFontSize);
  textcolor(kTextColour);
  cursor_color(kTextColour);
  when(FL_WHEN_CHANGED);
  callback(Changed, this);
}

std::string TextBox::Text() const {
  return std::string(value(), static_cast<size_t>(size()));
}

void TextBox::SetText(const std::string& text) {
  value(text.data(), static_cast<int>(text.size()));
  // An edit control tells its dialog of every change, also of one made by the program.
  SendCommand(dialog_, id_, EN_CHANGE);
}

void TextBox::SelectAll() {
  position(size(), 0);
}

int TextBox::handle(int event) {
  if (event == FL_KEYBOARD || event == FL_SHORTCUT) {
    const int key = Fl::event_key();
    if (key == FL_Tab || IsEnter(key) || key == FL_Escape || (Fl::event_state() & FL_ALT)) {
      return 0;
    }
  }
  return Fl_Input::handle(event);
}

void TextBox::Changed(Fl_Widget*, void* data) {
  auto* box = static_cast<TextBox*>(data);
  SendCommand(box->dialog_, box->id_, EN_CHANGE);
}

PushButton::PushButton(Record* dialog, int id, int x, int y, int width, int height,
                       const std::string& label, bool isDefault)
    : Fl_Button(x, y, width, height),
      dialog_(dialog),
      id_(id),
      isDefault_(isDefault),
      label_(label),
      caption_(ParseCaption(label)) {
  box(FL_FLAT_BOX);
  color(kFaceColour);
  callback(Clicked, this);
}

void PushButton::SetLabel(const std::string& label) {
  label_ = label;
  caption_ = ParseCaption(label);
  redraw();
}

void PushButton::Press() {
  do_callback();
}

int PushButton::handle(int event) {
  // Mnemonics are the dialog's to handle, so that each is looked at once.
  if (event == FL_SHORTCUT) return 0;
  if (event == FL_KEYBOARD && Fl::focus() == this && IsEnter(Fl::event_key()) &&
      !(Fl::event_state() & kModifiers)) {
    Press();
    return 1;
  }
  // The dark border of the default button moves to whichever button has the focus.
  if ((event == FL_FOCUS || event == FL_UNFOCUS) && window() != nullptr) window()->redraw();
  return Fl_Button::handle(event);
}

bool PushButton::HasBorder() const {
  const Fl_Widget* focus = Fl::focus();
  if (focus == this) return true;
  const bool otherButtonFocused =
      dynamic_cast<const PushButton*>(focus) != nullptr && focus->window() == window();
  return isDefault_ && !otherButtonFocused;
}

void PushButton::draw() {
  int left = x(), top = y(), width = w(), height = h();
  fl_rectf(left, top, width, height, kFaceColour);
  const bool focused = Fl::focus() == this;
  if (HasBorder()) {
    fl_color(kTextColour);
    fl_rect(left, top, width, height);
    ++left, ++top, width -= 2, height -= 2;
  }
  const int shift = value() ? 1 : 0;
  if (value()) {
    DrawEdge(left, top, width, height, kShadowColour, kShadowColour);
  } else {
    DrawRaisedEdge(left, top, width, height);
  }
  DrawCaption(caption_, left + shift, top + shift, width, height);
  if (focused) DrawFocusFrame(left + 3, top + 3, width - 6, height - 6);
}

void PushButton::Clicked(Fl_Widget*, void* data) {
  auto* button = static_cast<PushButton*>(data);
  SendCommand(button->dialog_, button->id_, BN_CLICKED);
}

QuestionIcon::QuestionIcon(int x, int y) : Fl_Widget(x, y, 32, 32) {
  clear_visible_focus();
}

void QuestionIcon::draw() {
  fl_rectf(x(), y(), w(), h(), kFaceColour);
  fl_color(kShadowColour);
  fl_pie(x() + 3, y() + 3, 28, 28, 0, 360);
  fl_color(kWindowColour);
  fl_pie(x() + 1, y() + 1, 28, 28, 0, 360);
  fl_color(kShadowColour);
  fl_arc(x() + 1, y() + 1, 28, 28, 0, 360);
  fl_color(fl_rgb_color(0, 0, 255));
  fl_font(FL_HELVETICA_BOLD, 22);
  fl_draw("?", x() + 1, y() + 1, 28, 28, FL_ALIGN_CENTER);
}

}  // namespace quelb::dialog::fltk
