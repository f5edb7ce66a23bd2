// The application base of the installer's small window framework: the program entry hands
// control to Run, which prepares the common controls and calls InitInstance. A dialog
// application builds and runs its main dialog modally there; no message loop runs after it.
#pragma once

#include <windows.h>

namespace qid::fw {

class Application {
 public:
  Application() = default;
  virtual ~Application() = default;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Returns the program's exit code as InitInstance gives it.
  int Run(HINSTANCE instance);
  HINSTANCE instance() const { return instance_; }

 protected:
  virtual int InitInstance() = 0;

 private:
  HINSTANCE instance_ = nullptr;
};

}  // namespace qid::fw
