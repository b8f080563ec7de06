// The message boxes, built through the dialog layer in pixels: an optional question icon, the
// text, and a centred row of buttons of which the first is the default.
#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <vector>

#include "dialog/box_buttons.h"
#include "dialog/fltk/classic_draw.h"
#include "dialog/fltk/controls.h"
#include "dialog/fltk/dialog_window.h"
#include "dialog/fltk/layer.h"
#include "dialog/fltk/x11_window.h"
#include "dialog/layer.h"
#include "services/message.h"

namespace quelb::dialog::fltk {
namespace {

constexpr int kTextId = 0xFFFF;
constexpr int kMargin = 11;
constexpr int kIconSize = 32;
constexpr int kIconGap = 13;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kButtonRowGap = 14;
constexpr int kMaxTextWidth = 480;

void Answer(Record* box, int id) {
  if (id == IDCANCEL) id = EscapeAnswerAmong(box->controls);
  if (FindControl(box, id) != nullptr) fltk::EndDialog(box, id);
}

int32_t BoxProcedure(DialogHandle box, uint32_t message, uint32_t wParam, uint32_t) {
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
    Answer(RecordOf(box), IDCANCEL);
    return 1;
  }
  if (message == WM_COMMAND) {
    Answer(RecordOf(box), static_cast<int>(wParam & 0xFFFF));
    return 1;
  }
  return 0;
}

struct Layout {
  int width, height;
  PixelRect icon, text;
  int buttonsLeft, buttonsTop;
};

Layout LayOut(const Text& text, bool icon, size_t buttonCount) {
  fl_font(kDialogFont, kDialogFontSize);
  int textWidth = 0;
  const std::vector<std::string> lines = WrapLines(text, kMaxTextWidth);
  for (const std::string& line : lines) textWidth = std::max(textWidth, LineWidth(line));
  const int textHeight = static_cast<int>(lines.size()) * fl_height();
  Layout layout{};
  layout.icon = {kMargin, kMargin, icon ? kIconSize : 0, icon ? kIconSize : 0};
  const int textLeft = icon ? kMargin + kIconSize + kIconGap : kMargin + 3;
  const int textTop = kMargin + std::max(0, (layout.icon.height - textHeight) / 2);
  // One pixel to spare, so that the label wraps the lines exactly as measured here.
  layout.text = {textLeft, textTop, textWidth + 1, textHeight};
  const int count = static_cast<int>(buttonCount);
  const int rowWidth = count * kButtonWidth + (count - 1) * kButtonGap;
  layout.width = std::max(textLeft + textWidth + 1 + kMargin + 3, rowWidth + 2 * kMargin);
  layout.buttonsLeft = (layout.width - rowWidth) / 2;
  layout.buttonsTop =
      std::max(layout.icon.y + layout.icon.height, textTop + textHeight) + kButtonRowGap;
  layout.height = layout.buttonsTop + kButtonHeight + kMargin;
  return layout;
}

void AddButtons(DialogHandle box, const std::vector<BoxButton>& buttons, const Layout& layout) {
  int left = layout.buttonsLeft;
  for (size_t i = 0; i < buttons.size(); ++i) {
    const uint32_t style = WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    fltk::AddControl(ControlKind::kButton, box, buttons[i].id, buttons[i].caption, left,
                     layout.buttonsTop, kButtonWidth, kButtonHeight, style, 0);
    left += kButtonWidth + kButtonGap;
  }
}

void AddQuestionIcon(Record* box, const Layout& layout) {
  box->window->begin();
  new QuestionIcon(layout.icon.x, layout.icon.y);
  box->window->end();
}

// Gives the focus back to the widget that had it, in a window that is still there.
class FocusKeeper {
 public:
  FocusKeeper() : focus_(Fl::focus()), tracker_(Fl::focus()) {}
  ~FocusKeeper() {
    if (focus_ == nullptr || tracker_.deleted()) return;
    Fl_Window* window = focus_->top_window();
    if (window == nullptr || !window->shown()) return;
    GiveInputFocus(window);
    focus_->take_focus();
  }

 private:
  Fl_Widget* focus_;
  Fl_Widget_Tracker tracker_;
};

}  // namespace

int ShowMessageBox(const Text& text, const Text& title, uint32_t style) {
  PrepareToolkit();
  const FocusKeeper keeper;
  const std::vector<BoxButton> buttons = BoxButtonsOf(style);
  const bool icon = (style & MB_ICONQUESTION) != 0;
  const Layout layout = LayOut(text, icon, buttons.size());
  Record* box = RecordOf(fltk::MakeDialog(Unit::kPixels, nullptr, title, kCentred, kCentred,
                                          layout.width, layout.height, 0, 0));
  box->taskModal = true;
  if (icon) AddQuestionIcon(box, layout);
  fltk::AddControl(ControlKind::kLabel, box, kTextId, text, layout.text.x, layout.text.y,
                   layout.text.width, layout.text.height, 0, 0);
  AddButtons(box, buttons, layout);
  box->closeBox = EscapeAnswerAmong(box->controls) != 0;
  int32_t answer = 0;
  fltk::ShowModal(box, BoxProcedure, &answer);
  return answer;
}

}  // namespace quelb::dialog::fltk
