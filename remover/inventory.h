// What the remover knows about the machine: the running system, its print environment, the
// drivers installed there, and for one driver which files are its own and which it shares
// with another listed driver. Reads the spooler's registry layout; changes nothing.
#pragma once

#include <string>

#include "remover/remover.h"

namespace qid {

// The running system's code; *version_subkey (15 characters) names the driver version subkey
// that is listed, "?" on the 9x family, "" when the system is not recognised.
int DetectOs(Platform& platform, std::string* version_subkey);

// True when this 32-bit process runs on 64-bit Windows.
bool IsWow64(Platform& platform);

// Icons, a fresh list, the system line and every driver of the running environment.
// Called by the main dialog's initialisation and after every Uninstall.
void FillDriverList(Remover& remover);

// Adds the drivers found under one version subkey of the open environment key, whose path
// below HKEY_LOCAL_MACHINE is `environment_path`.
void EnumerateDrivers(Remover& remover, RegKey environment, const std::string& environment_path,
                      const std::string& version_subkey);

// Frees every record and empties the list.
void FreeDriverList(Remover& remover);

// The driver's files: driver, configuration, data and help file, then the dependent files
// not already named; all marked for deletion. Returns the count.
size_t BuildDriverFileList(DriverRecord* record, DriverFileList* files);

// Clears the delete flag of every file that another listed driver of the same driver folder
// also names.
void MarkSharedFiles(Remover& remover, int position, DriverFileList* files);

}  // namespace qid
