// What the services do for the windows of the thread while a run works without taking input.
#pragma once

namespace quelb::win32 {

// Looks at the thread's message queue and takes nothing from it: the system sees the thread
// alive and does not show its windows as not responding, and the operator's input waits
// until the dialog takes messages again.
void LookAtMessageQueue();

}  // namespace quelb::win32
