#include "imagewriter/dialogs/reset_serial.h"

#include "common/bounded_string.h"
#include "common/debug_trace.h"
#include "imagewriter/dialogs/control_ids.h"
#include "imagewriter/dialogs/settings_dialog.h"
#include "imagewriter/naming.h"
#include "imagewriter/writer_context.h"

namespace qid {

const char kInvalidSerialText[] =
    "The number you entered is invalid. It must be greater than 0 and contain digits only."
    "\n\nPlease try again...";
const char kSerialTooLongFormat[] =
    "The current serial number size limit (as set in driver) is %d digits.\nThe initial serial "
    "number you entered exceeds this size.\n\nPlease try again...";
const char kInputErrorCaption[] = "Input Error";

namespace {

constexpr char kStoreTag[] = "SEC01:  ";
constexpr size_t kEntryCapacity = 255;
constexpr size_t kValueNameCapacity = 63;

void StoreSerialValue(WriterContext& ctx, const char* name, uint32_t value) {
  std::string value_name;
  bool copied = CopyBounded(&value_name, name, kValueNameCapacity);
  DebugTrace(kStoreTag, "err = %d", copied ? 0 : 1);
  if (copied) StoreCounter(ctx, value_name, value);
}

}  // namespace

bool ValidateSerialEntry(const std::string& entry, uint32_t serial_num_digits, uint32_t* number,
                         std::string* message) {
  size_t limit = static_cast<size_t>(SerialWidth(serial_num_digits));
  size_t digits = 0;
  bool nonzero = false;
  while (digits < entry.size() && entry[digits] >= '0' && entry[digits] <= '9')
    nonzero |= entry[digits++] != '0';
  if (!nonzero) {
    *message = kInvalidSerialText;
    return false;
  }
  if (entry.size() > limit) {
    FormatBounded(message, 512, kSerialTooLongFormat, static_cast<int>(limit));
    return false;
  }
  // At most 9 digits here: the value fits 32 bits.
  uint32_t value = 0;
  for (size_t i = 0; i < digits; ++i) value = value * 10 + static_cast<uint32_t>(entry[i] - '0');
  *number = value;
  return true;
}

void InitializeResetSerial(WriterContext& ctx, DialogView& view) {
  const Settings& s = ctx.settings;
  DebugTrace(kDialogTag, "WN INIT Serial");
  view.SetText(IDC_NEW_SERIAL, FormatSerialDigits(s.serial_num_digits, s.serial_init_number));
}

bool AcceptResetSerial(WriterContext& ctx, DialogView& view) {
  Settings& s = ctx.settings;
  std::string entry = view.GetText(IDC_NEW_SERIAL, kEntryCapacity);
  uint32_t number = 0;
  std::string message;
  if (!ValidateSerialEntry(entry, s.serial_num_digits, &number, &message)) {
    ctx.os.message_boxes->ShowMessageBox(0, message, kInputErrorCaption,
                                         kMbOk | kMbIconInformation | kMbTaskModal);
    return false;
  }
  s.serial_init_number = number;
  s.last_serial_number = number;
  StoreSerialValue(ctx, "Serial Init Number", number);
  StoreSerialValue(ctx, "Last Serial Number", number);
  return true;
}

int ResetSerialNumber(WriterContext& ctx, DialogView& settings_view) {
  if (settings_view.RunResetSerialDialog() == 1) {
    Settings& s = ctx.settings;
    settings_view.SetText(IDC_SERIAL_INIT,
                          FormatSerialDigits(s.serial_num_digits, s.serial_init_number));
    DoNewSerialName(ctx, &s.output_file);
    settings_view.SetText(IDC_OUTPUT_FILE, s.output_file);
  }
  return 1;
}

}  // namespace qid
