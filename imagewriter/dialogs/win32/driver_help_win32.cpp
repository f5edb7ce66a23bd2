// The help button: the help file under the printer driver directory (asked of the spooler),
// opened through the HTML Help entry bound on first use.
#include "imagewriter/dialogs/driver_help.h"

#include "imagewriter/dialogs/win32/win32_dialog_view.h"

#include "common/debug_trace.h"
#include "imagewriter/dialogs/settings_dialog.h"
#include "imagewriter/writer_context.h"

namespace qid {
namespace {

using HtmlHelpEntry = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
constexpr WORD kHtmlHelpOrdinal = 14;  // the ANSI entry
constexpr UINT kDisplayTableOfContents = 1;

// Bound once per process; null after a failed binding, which is not tried again.
HtmlHelpEntry BindHtmlHelp(WriterContext& ctx) {
  static bool tried = false;
  static HtmlHelpEntry entry = nullptr;
  if (tried) return entry;
  tried = true;
  for (const std::string& library : HtmlHelpLibraries(*ctx.os.registry, *ctx.os.environment)) {
    HMODULE module = LoadLibraryA(library.c_str());
    if (module == nullptr) continue;
    entry = reinterpret_cast<HtmlHelpEntry>(
        reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(kHtmlHelpOrdinal))));
    if (entry != nullptr) break;
    FreeLibrary(module);
  }
  if (entry == nullptr) DebugTrace(kDialogTag, "no HTML Help entry: help disabled");
  return entry;
}

}  // namespace

void ShowDriverHelp(WriterContext& ctx, HWND owner) {
  std::string path = DriverHelpFile(*ctx.os.spooler);
  HtmlHelpEntry entry = BindHtmlHelp(ctx);
  if (entry != nullptr) entry(owner, path.c_str(), kDisplayTableOfContents, 0);
}

}  // namespace qid
