#include "dialog/win32/dialog_template.h"

#include <utility>

namespace quelb::dialog::win32 {
namespace {

constexpr WORD kTemplateVersion = 1;
constexpr WORD kExtendedSignature = 0xFFFF;
constexpr WORD kFontPoints = 8;
constexpr WORD kFontWeight = 400;
constexpr char kFontFace[] = "MS Sans Serif";

class TemplateWriter {
 public:
  void Word(uint32_t value) { words_.push_back(static_cast<WORD>(value)); }
  void DoubleWord(uint32_t value) {
    Word(value & 0xFFFF);
    Word(value >> 16);
  }
  // The template holds wide strings; the names written here are plain ASCII.
  void String(const char* text) {
    for (; *text != '\0'; ++text) Word(static_cast<unsigned char>(*text));
    Word(0);
  }
  std::vector<WORD> Take() { return std::move(words_); }

 private:
  std::vector<WORD> words_;
};

}  // namespace

std::vector<WORD> DialogTemplate(uint32_t style, uint32_t exStyle, int x, int y, int width,
                                 int height) {
  TemplateWriter out;
  out.Word(kTemplateVersion);
  out.Word(kExtendedSignature);
  out.DoubleWord(0);  // help id
  out.DoubleWord(exStyle);
  out.DoubleWord(style);
  out.Word(0);  // items
  out.Word(x);
  out.Word(y);
  out.Word(width);
  out.Word(height);
  out.Word(0);  // no menu
  out.Word(0);  // the standard dialog class
  out.String(" ");
  out.Word(kFontPoints);
  out.Word(kFontWeight);
  // Not italic (low byte), and the character set of the system's code page (high byte), so
  // that paths read right on every code page.
  out.Word(DEFAULT_CHARSET << 8);
  out.String(kFontFace);
  return out.Take();
}

}  // namespace quelb::dialog::win32
