// The copy thread on Windows: a CopyRunner over CreateThread whose messages go to the
// dialog's window with PostMessageW and, for RM_ERROR, SendMessageW.
#pragma once

#include "installer/copyjob.h"

namespace qid::installer {

class Win32CopyRunner : public CopyRunner {
 public:
  // `services` must outlive every thread this runner starts.
  explicit Win32CopyRunner(const CopyServices& services) : services_(services) {}
  // Waits for a running copy thread, so that its block and services stay valid to its end.
  ~Win32CopyRunner() override;

  void WaitUntilIdle() override;
  ErrorCode Start(CopyJob* job) override;

 private:
  const CopyServices& services_;
  void* thread_ = nullptr;  // the last thread's handle until it has been waited for
};

}  // namespace qid::installer
