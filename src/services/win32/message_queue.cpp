#include "services/backend.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace quelb::platform {

void LookAtMessageQueue() {
  // Only what other threads send is answered; posted messages and input are not even looked
  // at, so that the call never finds a message and the platform counts the thread as idle.
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace quelb::platform
