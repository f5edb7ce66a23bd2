// Removing the selected printer drivers: their printers (after asking), their own files
// (locked ones at the next restart), their registry keys and the per-user printer values
// that name printers which no longer exist; then the offer to restart.
#pragma once

#include <string>

#include "remover/remover.h"

namespace qid {

// The Uninstall command: removes every selected driver, from the last position to the
// first, then purges stale per-user values and refills the list. False when the list could
// not say what is selected.
bool RemoveSelectedDrivers(Remover& remover);

// Removes the driver at a list position: its printers, then (confirmed) its files and key,
// and its list entry. True when the driver was removed.
bool RemoveDriver(Remover& remover, int position);

// Offers to delete each printer that uses the driver. False when the user declined or a
// printer could not be deleted: the driver must then stay.
bool RemovePrintersUsingDriver(Remover& remover, const DriverRecord& record);

// Composes state.confirmation_text: the files that stay, then the files that go. Names are
// lowered in place in the record.
void BuildConfirmationText(Remover& remover, DriverFileList& files);

// Deletes one of the driver's files from the driver folder and (NT family) from its version
// subfolder. Always true: each failure has shown its own message.
bool DeleteDriverFiles(Remover& remover, const DriverRecord& record, const std::string& file);

// Deletes one file (and first its compiled companion, for a ".ppd" or ".pcp" file). True
// when it is gone, was never there, or goes at the next restart.
bool DeleteDriverFile(Remover& remover, const std::string& path, bool with_companion);

// Deletes the driver's registry key. True when it is gone.
bool DeleteDriverKey(Remover& remover, const DriverRecord& record);

// Deletes every user's per-printer defaults ("Printers\DevModes2" values) whose printer no
// longer exists.
void PurgeUnusedDevModes(Remover& remover);

// Deletes every user's "Printers\Settings" value of a deleted printer.
void DeletePrinterSettings(Remover& remover, const std::string& printer);

// Asks whether to restart now and, if so, restarts (the shutdown privilege first on NT).
void OfferReboot(Remover& remover);

}  // namespace qid
