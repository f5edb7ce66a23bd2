// The reset-serial dialog (template 131): a new initial serial number, checked against the
// configured number of digits and stored at once.
#pragma once

#include <cstdint>
#include <string>

#include "imagewriter/dialogs/settings_dialog_host.h"
#include "ui/dialog_view.h"

namespace qid {

struct WriterContext;

extern const char kInvalidSerialText[];   // the number is 0
extern const char kSerialTooLongFormat[]; // "%d digits" is filled with the limit
extern const char kInputErrorCaption[];   // "Input Error"

// Runs the reset-serial dialog from the settings dialog; after a new number was stored,
// control 1036 shows it and Output File (and 6021) the serial preview name. Always 1.
int ResetSerialNumber(WriterContext& ctx, DialogView& settings_view, SettingsDialogHost& host);

// The dialog's initialisation: edit 1044 shows Serial Init Number zero-padded.
void InitializeResetSerial(WriterContext& ctx, DialogView& view);

// O&K: validates the entry (box and false when it is refused; the dialog stays open), else
// sets Serial Init Number and Last Serial Number, stores both through the settings key and
// returns true (the dialog ends with 1).
bool AcceptResetSerial(WriterContext& ctx, DialogView& view);

// The check behind AcceptResetSerial. The number is the value of the entry's leading digits.
// Refused: a number of 0 (kInvalidSerialText), an entry longer than the digits limit
// (*message filled in from kSerialTooLongFormat). The limit is SerialWidth(Serial Num
// Digits): the width the dialog itself shows, so the prefilled entry always fits.
bool ValidateSerialEntry(const std::string& entry, uint32_t serial_num_digits, uint32_t* number,
                         std::string* message);

}  // namespace qid
