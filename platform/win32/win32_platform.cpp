// The Windows platform of the program entries: one instance of each part, made on first use
// and kept until the process ends.
#include "platform/platform.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_parts.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_spooler.h"
#include "platform/win32/win32_system_control.h"

namespace qid {

Platform& SystemPlatform() {
  static Win32Registry registry;
  static Win32Environment environment;
  static Win32FileSystem files;
  static Win32Processes processes;
  static Win32MessageBoxes message_boxes;
  static Win32SystemInfo system;
  static Win32DebugOutput debug_output;
  static Win32Spooler spooler;
  static Win32SystemControl control;
  static Platform platform = [] {
    Platform p;
    p.registry = &registry;
    p.environment = &environment;
    p.files = &files;
    p.processes = &processes;
    p.message_boxes = &message_boxes;
    p.system = &system;
    p.debug_output = &debug_output;
    p.spooler = &spooler;
    p.control = &control;
    return p;
  }();
  return platform;
}

}  // namespace qid
