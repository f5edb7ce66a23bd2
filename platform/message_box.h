// Message boxes. Styles and answers carry the Win32 MB_ and ID values.
//
// Text form: ShowMessageBox takes ANSI texts (MessageBoxA, for Q71File and PrnWipe),
// ShowMessageBoxW UTF-16 texts (MessageBoxW, for drvsetup). Outside Windows both end up as
// ANSI text (see common/text_convert.h).
//
// Thread use: the thread that owns the windows (Q71File and PrnWipe have only one).
#pragma once

#include <cstdint>
#include <string>

namespace qid {

enum MessageBoxStyle : uint32_t {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbYesNo = 0x4,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
  kMbSystemModal = 0x1000,
  kMbTaskModal = 0x2000,
  kMbSetForeground = 0x10000,
};

enum MessageBoxAnswer : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// A window handle as an integer; 0 for none.
using WindowHandle = uintptr_t;

class MessageBoxes {
 public:
  MessageBoxes() = default;
  MessageBoxes(const MessageBoxes&) = delete;
  MessageBoxes& operator=(const MessageBoxes&) = delete;
  virtual ~MessageBoxes() = default;

  // Shows the box and returns the button the user chose. The host layer writes the caption
  // and text to stderr and answers with the safe default: No for Yes/No, Cancel where offered,
  // OK otherwise.
  virtual int ShowMessageBox(WindowHandle owner, const std::string& text,
                             const std::string& caption, uint32_t style) = 0;
  virtual int ShowMessageBoxW(WindowHandle owner, const std::u16string& text,
                              const std::u16string& caption, uint32_t style) = 0;
  // A box under the system's own caption (a null caption: "Error" in the user's language).
  virtual int ShowMessageBoxSystemCaption(WindowHandle owner, const std::string& text,
                                          uint32_t style) = 0;
};

}  // namespace qid
