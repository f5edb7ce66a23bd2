// SystemPlatform for the host build: the parts of the process, made once, rooted in HostRoot().
#include "platform/host/host_file_system.h"
#include "platform/host/host_parts.h"
#include "platform/host/host_process.h"
#include "platform/host/host_registry.h"
#include "platform/host/host_spooler.h"
#include "platform/host/host_system_control.h"
#include "platform/platform.h"

namespace qid {
namespace {

struct HostPlatformParts {
  HostPlatformParts()
      : root(HostRoot()),
        files(root),
        registry(root),
        processes(&files),
        spooler(&registry, &files),
        control(&registry, &files) {
    platform.registry = &registry;
    platform.environment = &environment;
    platform.files = &files;
    platform.processes = &processes;
    platform.message_boxes = &message_boxes;
    platform.system = &system;
    platform.debug_output = &debug_output;
    platform.spooler = &spooler;
    platform.control = &control;
  }

  std::string root;
  HostFileSystem files;
  HostRegistry registry;
  HostEnvironment environment;
  HostProcesses processes;
  HostMessageBoxes message_boxes;
  HostSystemInfo system;
  HostDebugOutput debug_output;
  HostSpooler spooler;
  HostSystemControl control;
  Platform platform;
};

}  // namespace

Platform& SystemPlatform() {
  static HostPlatformParts* parts = new HostPlatformParts();  // lives until the process ends
  return parts->platform;
}

}  // namespace qid
