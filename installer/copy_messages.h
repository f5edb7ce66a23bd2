// The private window messages between the installer window and its copy thread, and the sink
// through which the copy thread sends them.
//
//   message       from, how          wParam                    lParam
//   RM_INSTALL    window to itself   0                         0           start the copy
//   RM_BEGIN      thread, posted     size of the file (bytes)  slot index
//   RM_PROGRESS   thread, posted     bytes written in a block  slot index
//   RM_END        thread, posted     0                         slot index
//   RM_ERROR      thread, SENT       system error code         slot index  answer 1 (stop)
//   RM_EXIT       thread, posted     0                         0           copy finished
//
// RM_ERROR is sent: the thread waits until the window has reported the failure and answered.
// A file size above 4 GiB cannot travel in a 32-bit wParam; package files are far smaller and
// the copy refuses larger ones (copyjob.h).
#pragma once

#include <cstdint>

namespace qid::installer {

constexpr uint32_t RM_INSTALL = 0xA000;   // WM_APP + 0x2000
constexpr uint32_t RM_BEGIN = 0xA001;
constexpr uint32_t RM_PROGRESS = 0xA002;
constexpr uint32_t RM_END = 0xA003;
constexpr uint32_t RM_ERROR = 0xA004;
constexpr uint32_t RM_EXIT = 0xA005;

// Where the copy thread's reports go. The Win32 form posts and sends to the dialog's window
// handle; tests record.
//
// Thread use: called on the copy thread only.
class CopyMessageSink {
 public:
  CopyMessageSink() = default;
  CopyMessageSink(const CopyMessageSink&) = delete;
  CopyMessageSink& operator=(const CopyMessageSink&) = delete;
  virtual ~CopyMessageSink() = default;

  // Queues the message and returns at once (PostMessageW).
  virtual void Post(uint32_t message, uintptr_t wparam, intptr_t lparam) = 0;

  // Delivers the message and waits for the window's answer (SendMessageW).
  virtual intptr_t Send(uint32_t message, uintptr_t wparam, intptr_t lparam) = 0;
};

}  // namespace qid::installer
