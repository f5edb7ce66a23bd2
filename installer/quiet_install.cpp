#include "installer/quiet_install.h"

#include <deque>

#include "common/command_line.h"
#include "installer/copyjob.h"
#include "installer/install.h"
#include "installer/installer_window.h"
#include "installer/registration.h"

namespace qid::installer {

const char16_t kInstallerUsage[] =
    u"drvsetup                      the installer window\r\n"
    u"drvsetup /quiet [/default] [/log FILE]\r\n"
    u"    installs Quendrel Image Driver 4.0 without a window;\r\n"
    u"    /default makes it the default printer,\r\n"
    u"    /log writes the log to FILE instead of Installer.log\r\n"
    u"drvsetup /?                   this text\r\n\r\n"
    u"Exit codes: 0 installed, 1 usage error, 2 system refused, 3 no printer driver "
    u"directory, 4 package file missing or empty, 5 copy failed, 6 port, 7 driver, "
    u"8 printer exists, 9 printer not added, 10 settings not written, 11 other failure.";

namespace {

struct StopExit {
  const char16_t* text_start;
  int exit_code;
};

// The stop messages of the sequence, by the failure they report.
const StopExit kStopExits[] = {
    {u"This driver requires Windows NT/2000/XP", kQuietRefusedSystem},
    {u"Unable to get printer driver(s) directory", kQuietNoDriverFolder},
    {u"File not found", kQuietMissingFile},
    {u"File is empty", kQuietMissingFile},
    {u"Failed starting thread", kQuietCopyFailed},
    {u"Failed installing", kQuietCopyFailed},
    {u"Failed adding printer port", kQuietPortFailed},
    {u"Failed adding printer driver", kQuietDriverFailed},
    {u"Driver has already been installed", kQuietPrinterExists},
    {u"System error ", kQuietPrinterFailed},
};

int ExitForStop(const std::u16string& text) {
  for (const StopExit& s : kStopExits) {
    if (text.compare(0, std::char_traits<char16_t>::length(s.text_start), s.text_start) == 0)
      return s.exit_code;
  }
  return kQuietUnexpected;
}

struct Queued {
  uint32_t message;
  uintptr_t wparam;
  intptr_t lparam;
};

// The installer window without a window: the package row is selected, the default question
// is answered by /default, and the first stop message decides the exit code.
class QuietWindow : public InstallerWindow {
 public:
  explicit QuietWindow(bool make_default) : make_default_(make_default) {}

  WindowHandle Handle() override { return 0; }
  void SetTitle(const std::u16string&) override {}
  void SetUpControls() override {}
  void SetPhaseText(const std::u16string&) override {}
  void SetDetailText(const std::u16string&) override {}
  void ShowControl(int, bool) override {}
  void EnableControl(int, bool) override {}
  void AddPackageRow(const std::u16string&, int) override {}
  void PlacePackageList() override {}
  int SelectedRow() override { return 0; }
  void SetBarRange(int, int32_t, int32_t) override {}
  void SetBarStep(int, int32_t) override {}
  void SetBarPosition(int, int32_t) override {}
  void StepBar(int) override {}
  void RepaintBar(int) override {}
  int ShowMessage(const std::u16string& text, const std::u16string&, uint32_t style) override {
    if ((style & 0xF) == kMbYesNo) return make_default_ ? kIdYes : kIdNo;
    if ((style & 0xF0) == kMbIconError && exit_code == kQuietInstalled)
      exit_code = ExitForStop(text);
    return kIdOk;
  }
  void PostToSelf(uint32_t message, uintptr_t wparam, intptr_t lparam) override {
    queue.push_back(Queued{message, wparam, lparam});
  }
  void EndDialog(int) override { ended = true; }

  std::deque<Queued> queue;
  bool ended = false;
  int exit_code = kQuietInstalled;

 private:
  bool make_default_;
};

// The copy on the window's own thread: Start keeps the job, and the loop runs it once the
// handler that started it has returned. Posts join the window's queue; the one sent message
// (RM_ERROR) is answered after what was posted before it, as a window that keeps up would.
class QuietCopy : public CopyRunner, public CopyMessageSink {
 public:
  // No pause between copy steps: no window waits to repaint. A named function, not an empty
  // lambda: the -O3 Windows build of std::function over `[](uint32_t) {}` corrupted the
  // caller's stack under Wine.
  static void NoPause(uint32_t) {}
  QuietCopy(QuietWindow& window, FileSystem* files, SystemInfo* system)
      : window_(window), services_{files, system, NoPause} {}

  void Attach(InstallerContext* ctx) { ctx_ = ctx; }

  void WaitUntilIdle() override {}
  ErrorCode Start(CopyJob* job) override {
    pending_ = job;
    return kSuccess;
  }
  void Post(uint32_t message, uintptr_t wparam, intptr_t lparam) override {
    window_.PostToSelf(message, wparam, lparam);
  }
  intptr_t Send(uint32_t message, uintptr_t wparam, intptr_t lparam) override {
    DeliverQueued();
    return HandleWindowMessage(*ctx_, message, wparam, lparam);
  }

  // Every message until the sequence has nothing more to do.
  void Run() {
    for (;;) {
      DeliverQueued();
      if (pending_ == nullptr) return;
      CopyJob* job = pending_;
      pending_ = nullptr;
      RunCopyJob(*job, services_, *this);
    }
  }

 private:
  void DeliverQueued() {
    while (!window_.queue.empty()) {
      Queued m = window_.queue.front();
      window_.queue.pop_front();
      HandleWindowMessage(*ctx_, m.message, m.wparam, m.lparam);
    }
  }

  QuietWindow& window_;
  CopyServices services_;
  InstallerContext* ctx_ = nullptr;
  CopyJob* pending_ = nullptr;
};

}  // namespace

InstallerCommand ReadInstallerCommand(const std::u16string& command_line) {
  InstallerCommand command;
  std::vector<std::u16string> arguments = SplitCommandArguments(command_line);
  if (arguments.empty()) return command;
  ParsedSwitches given = ParseSwitches(
      arguments, {{u"quiet", false}, {u"default", false}, {u"log", true}, {u"?", false}});
  command.kind = InstallerCommand::kUsage;
  if (!given.ok) {
    command.error = given.error;
    command.silent = MentionsSwitch(arguments, u"quiet");
    return command;
  }
  if (given.Has(u"?")) return command;
  if (!given.Has(u"quiet")) {
    command.error = u"/default and /log need /quiet";
    return command;
  }
  command.kind = InstallerCommand::kQuiet;
  command.make_default = given.Has(u"default");
  command.log_file = given.Value(u"log");
  return command;
}

int RunQuietInstall(Platform& os, const InstallerCommand& command) {
  QuietWindow window(command.make_default);
  QuietCopy copy(window, os.files, os.system);
  InstallerContext ctx{os, window, copy, InstallerState()};
  copy.Attach(&ctx);
  ctx.state.log_file = command.log_file;
  if (!StartUp(ctx)) {
    return window.exit_code != kQuietInstalled ? window.exit_code : kQuietUnexpected;
  }
  RequestInstall(ctx);
  copy.Run();
  if (window.exit_code != kQuietInstalled) return window.exit_code;
  // A sequence that neither failed aloud nor finished must not pass for an installation.
  if (!window.ended) return kQuietUnexpected;
  if (!DefaultSettingsWritten(ctx)) {
    LogLine(ctx, u"Default settings not written\r\n");
    return kQuietSettingsFailed;
  }
  return kQuietInstalled;
}

}  // namespace qid::installer
