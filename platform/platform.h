// The OS seam: the few interfaces through which the product reaches its system. Logic above
// this folder never includes an OS header; it is handed a Platform by its program's entry
// (or by a test) and passes it on by reference.
#pragma once

#include "common/debug_trace.h"
#include "platform/environment.h"
#include "platform/errors.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/system_control.h"
#include "platform/system_info.h"

namespace qid {

// Non-owning: the parts live as long as the program's entry (or the test) that made them.
struct Platform {
  Registry* registry = nullptr;
  Environment* environment = nullptr;
  FileSystem* files = nullptr;
  Processes* processes = nullptr;
  MessageBoxes* message_boxes = nullptr;
  SystemInfo* system = nullptr;
  Spooler* spooler = nullptr;
  SystemControl* control = nullptr;
  TraceSink* debug_output = nullptr;  // where DebugTrace lines go once installed
};

// The implementation for the OS this binary is built for, made on first use and kept for the
// life of the process. For program entries only; tests build their own parts.
Platform& SystemPlatform();

}  // namespace qid
