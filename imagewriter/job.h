// The job run: Q71File's entry logic for one print job, from the command line to the done
// marker.
#pragma once

#include <cstdint>
#include <string>

namespace qid {

struct WriterContext;

struct JobHooks {
  // Shows the settings dialog modally with no owner: 1 once the user confirmed (the settings
  // are then saved), 0 when cancelled. Null where no dialog can be shown (the host build):
  // the hidden-dialog initialisation runs instead and stderr says so.
  int (*show_settings_dialog)(WriterContext& ctx) = nullptr;
};

// Runs the job whose file is named by the whole command line, taken verbatim (quotes
// included). `command_line` is null when the program was given none. Every way out ends
// here; the program's exit code is always 0.
void RunJob(WriterContext& ctx, const char* command_line, const JobHooks& hooks);

// The page count at the start of the "VEDIZE_PAGES" text; 0 when it starts with no digit.
// False (and 0) when the number does not fit 32 bits.
bool ParsePageCount(const std::string& text, uint32_t* count);
// ParsePageCount's count, 0 for a number past 32 bits.
uint32_t LeadingPageCount(const std::string& text);

}  // namespace qid
