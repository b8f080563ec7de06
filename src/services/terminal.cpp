#include "services/terminal.h"

namespace quelb {
namespace {

TerminalHolder& Holder() {
  static TerminalHolder holder{nullptr, nullptr};
  return holder;
}

}  // namespace

void SetTerminalHolder(TerminalHolder holder) {
  Holder() = holder;
}

bool GiveUpTerminal() {
  return Holder().giveUp != nullptr && Holder().giveUp();
}

void TakeBackTerminal() {
  if (Holder().takeBack != nullptr) Holder().takeBack();
}

}  // namespace quelb
