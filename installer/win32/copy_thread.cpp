#include "installer/win32/copy_thread.h"

#include <windows.h>

namespace qid::installer {
namespace {

class WindowSink : public CopyMessageSink {
 public:
  explicit WindowSink(HWND window) : window_(window) {}
  void Post(uint32_t message, uintptr_t wparam, intptr_t lparam) override {
    ::PostMessageW(window_, message, wparam, lparam);
  }
  intptr_t Send(uint32_t message, uintptr_t wparam, intptr_t lparam) override {
    return ::SendMessageW(window_, message, wparam, lparam);
  }

 private:
  HWND window_;
};

struct ThreadStart {
  CopyJob* job;
  const CopyServices* services;
};

DWORD WINAPI CopyThreadProc(LPVOID parameter) {
  ThreadStart start = *static_cast<ThreadStart*>(parameter);
  delete static_cast<ThreadStart*>(parameter);
  WindowSink sink(reinterpret_cast<HWND>(start.job->window));
  return RunCopyJob(*start.job, *start.services, sink);
}

}  // namespace

Win32CopyRunner::~Win32CopyRunner() { WaitUntilIdle(); }

void Win32CopyRunner::WaitUntilIdle() {
  if (thread_ == nullptr) return;
  // The thread never waits for this window after its RM_ERROR answer or RM_EXIT post, so
  // waiting here cannot deadlock.
  ::WaitForSingleObject(static_cast<HANDLE>(thread_), INFINITE);
  ::CloseHandle(static_cast<HANDLE>(thread_));
  thread_ = nullptr;
}

ErrorCode Win32CopyRunner::Start(CopyJob* job) {
  WaitUntilIdle();
  auto* start = new ThreadStart{job, &services_};
  DWORD id = 0;
  HANDLE thread = ::CreateThread(nullptr, 0, CopyThreadProc, start, CREATE_SUSPENDED, &id);
  if (thread == nullptr) {
    ErrorCode err = ::GetLastError();
    delete start;
    return err;
  }
  thread_ = thread;
  job->thread = thread;
  ::ResumeThread(thread);
  return kSuccess;
}

}  // namespace qid::installer
