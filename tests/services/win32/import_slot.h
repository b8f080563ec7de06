// The program's calls of a function of a system DLL all read one slot of its import table,
// declared in a test by the name the linker gives it ("__imp__FlushFileBuffers@4"). A test
// points the slot at a function of its own to watch those calls, or to make them fail.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace quelb::testing {

template <typename Function>
class ImportSlotSwap {
 public:
  ImportSlotSwap(Function& slot, Function replacement) : slot_(slot), saved_(slot) {
    Write(replacement);
  }
  ~ImportSlotSwap() { Write(saved_); }
  ImportSlotSwap(const ImportSlotSwap&) = delete;
  ImportSlotSwap& operator=(const ImportSlotSwap&) = delete;

  // The system's own function.
  Function Saved() const { return saved_; }

 private:
  // The loader may leave the import table read-only once it has filled it.
  void Write(Function value) {
    DWORD was = 0;
    VirtualProtect(&slot_, sizeof slot_, PAGE_READWRITE, &was);
    slot_ = value;
    VirtualProtect(&slot_, sizeof slot_, was, &was);
  }

  Function& slot_;
  Function saved_;
};

}  // namespace quelb::testing
