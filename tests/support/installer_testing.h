// Test doubles for the installer: a recording window, a copy sink and a runner that stand in
// for the copy thread, and one harness that wires them to a TestPlatform (with its fake spooler
// and system control) with the package files in place.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "common/text_convert.h"
#include "installer/controls/skin_rules.h"
#include "installer/install.h"
#include "installer/installer_ids.h"
#include "installer/package.h"
#include "tests/support/test_platform.h"

namespace qid::installer::testing {

using qid::testing::HostFileExists;
using qid::testing::ReadHostFile;
using qid::testing::WriteHostFile;

struct Message {
  uint32_t id;
  uintptr_t wparam;
  intptr_t lparam;
  bool operator==(const Message& o) const {
    return id == o.id && wparam == o.wparam && lparam == o.lparam;
  }
};

struct ShownBox {
  std::u16string text, caption;
  uint32_t style;
};

class FakeWindow : public InstallerWindow {
 public:
  explicit FakeWindow(std::deque<Message>* queue) : queue_(queue) {}
  WindowHandle Handle() override { return 0x4711; }
  void SetTitle(const std::u16string& text) override { title = text; }
  void SetUpControls() override { ++set_up; }
  void PlacePackageList() override { rows_when_placed = static_cast<int>(rows.size()); }
  void SetPhaseText(const std::u16string& text) override {
    labels[IDC_PHASE_LABEL] = text;
    phases.push_back(text);
  }
  void SetDetailText(const std::u16string& text) override { labels[IDC_DETAIL_LABEL] = text; }
  void ShowControl(int id, bool shown_now) override { shown[id] = shown_now; }
  void EnableControl(int id, bool on) override { enabled[id] = on; }
  void AddPackageRow(const std::u16string& text, int image) override {
    rows.push_back(text);
    row_images.push_back(image);
  }
  int SelectedRow() override { return selected; }
  void SetBarRange(int id, int32_t lower, int32_t upper) override {
    bars[id].SetRange(lower, upper);
  }
  void SetBarStep(int id, int32_t step) override { bars[id].SetStep(step); }
  void SetBarPosition(int id, int32_t position) override { bars[id].SetPosition(position); }
  void StepBar(int id) override {
    bars[id].Step();
    ++steps[id];
  }
  void RepaintBar(int id) override { ++repaints[id]; }
  int ShowMessage(const std::u16string& text, const std::u16string& caption,
                  uint32_t style) override {
    boxes.push_back(ShownBox{text, caption, style});
    if (!answers.empty()) {
      int answer = answers.front();
      answers.pop_front();
      return answer;
    }
    return (style & 0xF) == kMbYesNo ? kIdYes : kIdOk;
  }
  void PostToSelf(uint32_t id, uintptr_t wparam, intptr_t lparam) override {
    queue_->push_back(Message{id, wparam, lparam});
  }
  void EndDialog(int result) override { ended = result; }

  std::u16string title;
  int set_up = 0;
  int rows_when_placed = -1;  // -1 while the list was not placed
  std::map<int, std::u16string> labels;
  std::vector<std::u16string> phases;
  std::map<int, bool> shown;
  std::map<int, bool> enabled = {{IDC_INSTALL, true}, {IDC_CLOSE, true}};  // as the template
  std::vector<std::u16string> rows;
  std::vector<int> row_images;
  int selected = -1;
  std::map<int, skin::ProgressModel> bars;
  std::map<int, int> steps, repaints;
  std::vector<ShownBox> boxes;
  std::deque<int> answers;  // empty: Yes to a question, OK otherwise
  int ended = 0;            // 0 while the dialog runs

 private:
  std::deque<Message>* queue_;
};

// Records the copy thread's messages. Posts go to `queue` when one is given; a send is
// answered by `on_send` (1 when unset, as the window answers).
class RecordingSink : public CopyMessageSink {
 public:
  void Post(uint32_t id, uintptr_t wparam, intptr_t lparam) override {
    messages.push_back(Message{id, wparam, lparam});
    if (queue != nullptr) queue->push_back(messages.back());
  }
  intptr_t Send(uint32_t id, uintptr_t wparam, intptr_t lparam) override {
    messages.push_back(Message{id, wparam, lparam});
    answers.push_back(on_send ? on_send(messages.back()) : 1);
    return answers.back();
  }
  std::vector<Message> messages;
  std::vector<intptr_t> answers;  // to each send, in order
  std::deque<Message>* queue = nullptr;
  std::function<intptr_t(const Message&)> on_send;
};

// Stands in for the copy thread: Start keeps the job, and the harness runs it when the
// window's handler has returned, as a real thread would get to run. A thread that has run
// may still be ending (after its RM_ERROR answer) until WaitUntilIdle joins it, so a block
// refilled without waiting is caught.
class ManualCopyRunner : public CopyRunner {
 public:
  void WaitUntilIdle() override {
    ++waits;
    pending = nullptr;
    ran = false;
  }
  ErrorCode Start(CopyJob* job) override {
    EXPECT_EQ(pending, nullptr) << "the block was refilled while its last thread may still run";
    if (start_result == kSuccess) pending = job;
    return start_result;
  }
  CopyJob* pending = nullptr;  // started and not yet joined
  bool ran = false;            // the pending thread has run
  ErrorCode start_result = kSuccess;
  int waits = 0;
};

// A TestPlatform with the scripted parts, the package files next to "C:\setup\drvsetup.exe",
// the driver and program folders, and an installer context over a FakeWindow.
class InstallerHarness {
 public:
  InstallerHarness() : window(&queue), ctx{tp.platform(), window, runner, {}} {
    services.files = tp.platform().files;
    services.system = &tp.system;
    // The window keeps up with the copy thread: its queue drains at every pause.
    services.sleep = [this](uint32_t ms) {
      ++sleeps;
      if (on_sleep) on_sleep();
      DeliverQueued();
    };
    sink.queue = &queue;
    sink.on_send = [this](const Message& m) {
      return HandleWindowMessage(ctx, m.id, m.wparam, m.lparam);
    };
    MakeFolder("C:\\setup");
    MakeFolder("C:\\WINDOWS\\system32\\spool\\drivers\\w32x86");
    MakeFolder("C:\\Program Files");
    for (size_t i = 0; i < kPackages[0].file_count; ++i)
      WriteFile(SourcePath(i), std::string(kFileSizes[i], static_cast<char>('a' + i)));
  }

  // Sizes of the package files: one block exactly, a block and a byte, an empty file.
  static constexpr size_t kFileSizes[] = {3000, 10240, 20481, 12345, 0, 500};
  static std::u16string SourcePath(size_t slot) {
    return u"C:\\setup\\" + std::u16string(kPackages[0].files[slot].name);
  }
  static std::u16string DriverPath(size_t slot) {
    return u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\" +
           std::u16string(kPackages[0].files[slot].name);
  }

  std::string Host(const std::u16string& path) const { return tp.HostPath(Utf16ToAnsi(path)); }
  void MakeFolder(const std::string& path) {
    std::filesystem::create_directories(tp.HostPath(path));
  }
  void WriteFile(const std::u16string& path, const std::string& bytes) {
    WriteHostFile(Host(path), bytes);
  }
  std::string ReadFile(const std::u16string& path) const { return ReadHostFile(Host(path)); }
  bool Exists(const std::u16string& path) const { return HostFileExists(Host(path)); }

  // Delivers queued messages, running a started copy thread once the handler that started it
  // has returned.
  void Pump() {
    for (;;) {
      if (runner.pending != nullptr && !runner.ran) {
        RunCopyJob(*runner.pending, services, sink);
        runner.ran = true;
      }
      if (queue.empty()) return;
      DeliverQueued();
    }
  }
  void DeliverQueued() {
    while (!queue.empty()) {
      Message m = queue.front();
      queue.pop_front();
      HandleWindowMessage(ctx, m.id, m.wparam, m.lparam);
    }
  }

  // Start-up, selection of the package row, Install, and every message until the queue is dry.
  void Install() {
    ASSERT_TRUE(StartUp(ctx));
    window.selected = 0;
    SelectionChanged(ctx);
    RequestInstall(ctx);
    Pump();
  }

  std::string Log() const { return ReadFile(u"C:\\setup\\Installer.log"); }
  // The log as text (each UTF-16 unit back to one character).
  std::u16string LogText() const {
    std::string bytes = Log();
    return Utf16FromLeBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }

  qid::testing::TestPlatform tp;
  qid::testing::FakeSpooler& spooler = tp.spooler;
  qid::testing::FakeSystemControl& control = tp.control;
  std::u16string driver_dir = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86";
  std::deque<Message> queue;
  FakeWindow window;
  ManualCopyRunner runner;
  CopyServices services;
  RecordingSink sink;
  int sleeps = 0;
  std::function<void()> on_sleep;
  InstallerContext ctx;
};

}  // namespace qid::installer::testing
