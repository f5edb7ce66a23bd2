// The registration steps that follow the copy: the port through the local port monitor, the
// driver, the printer, the image file writer's default settings and the default printer.
#pragma once

#include <string>

#include "installer/install.h"

namespace qid::installer {

// Each returns true on success. The port and driver steps leave the failing call's code in
// *error for the caller's log line; the printer step reports its own failures.
bool AddPrinterPort(InstallerContext& ctx, uint8_t package, ErrorCode* error);
bool AddDriver(InstallerContext& ctx, uint8_t package, ErrorCode* error);
bool AddPrinterObject(InstallerContext& ctx, uint8_t package);
// Writes the 21 values of the settings key; failures are not checked. Returns true.
bool WriteDefaultSettings(InstallerContext& ctx);
// Makes the printer the user's default and tells every window. False when a step failed.
bool MakeDefaultPrinter(InstallerContext& ctx, const std::u16string& printer_name);

// Reads back what WriteDefaultSettings wrote ("Last Serial Number" is 1 and "Output Directory"
// is there): true when the settings key holds them. The unattended installation reports by
// this what the step itself does not check.
bool DefaultSettingsWritten(InstallerContext& ctx);

}  // namespace qid::installer
