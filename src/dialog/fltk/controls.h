// The four control kinds in the classic look, and the icon of the message boxes. Each
// control that sends commands knows its dialog and id.
#pragma once

#include <FL/Fl_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Widget.H>

#include <string>

#include "dialog/fltk/classic_draw.h"
#include "dialog/fltk/dialog_record.h"

namespace quelb::dialog::fltk {

// Static text, left-aligned and wrapping at word boundaries; "&" is shown as it is.
class Label : public Fl_Widget {
 public:
  Label(int x, int y, int width, int height, const std::string& text);
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);

 protected:
  void draw() override;

 private:
  std::string text_;
};

class EtchedLine : public Fl_Widget {
 public:
  EtchedLine(int x, int y, int width, int height);

 protected:
  void draw() override;
};

// A one-line text box that scrolls horizontally and tells its dialog of each change. The
// keys that belong to the dialog (Tab, Enter, Esc, Alt combinations) are left to it.
class TextBox : public Fl_Input {
 public:
  TextBox(Record* dialog, int id, int x, int y, int width, int height, const std::string& text,
          bool clientEdge, bool border);
  std::string Text() const;
  void SetText(const std::string& text);
  void SelectAll();
  int handle(int event) override;

 private:
  static void Changed(Fl_Widget* widget, void* data);
  Record* dialog_;
  int id_;
};

// A push button that is pressed by a click, by Space or by Enter while it has the focus.
class PushButton : public Fl_Button {
 public:
  PushButton(Record* dialog, int id, int x, int y, int width, int height, const std::string& label,
             bool isDefault);
  const std::string& Label() const { return label_; }
  void SetLabel(const std::string& label);
  char Mnemonic() const { return caption_.mnemonic; }
  bool IsDefault() const { return isDefault_; }
  // Sends the button's command, as a click does.
  void Press();
  int handle(int event) override;

 protected:
  void draw() override;

 private:
  static void Clicked(Fl_Widget* widget, void* data);
  bool HasBorder() const;
  Record* dialog_;
  int id_;
  bool isDefault_;
  std::string label_;
  Caption caption_;
};

// The question mark of the message boxes, 32 x 32 pixels.
class QuestionIcon : public Fl_Widget {
 public:
  QuestionIcon(int x, int y);

 protected:
  void draw() override;
};

}  // namespace quelb::dialog::fltk
