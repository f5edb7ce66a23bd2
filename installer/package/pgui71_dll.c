/* pgui71.dll: the configuration part of the printer driver as this package ships it.
 *
 * The spooler loads a driver's configuration DLL to learn the size and defaults of the
 * printer's device mode (DrvDocumentPropertySheets without a property sheet); it does so while
 * the installer adds the printer, and some spoolers call the entry unchecked. This DLL answers
 * those queries with a plain public DEVMODEW (A4, portrait, 204 x 196 dpi, one copy) and
 * offers no property pages: asking for them fails with ERROR_NOT_SUPPORTED. */
#include <windows.h>

#include <stddef.h>
#include <string.h>

/* The header the spooler hands in when it wants a device mode and no user interface
 * (the driver development kit's DOCUMENTPROPERTYHEADER). */
typedef struct DocumentPropertyHeader {
  WORD cbSize;
  WORD Reserved;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
  PDEVMODEW pdmIn;
  PDEVMODEW pdmOut;
  DWORD cbOut;
  DWORD fMode;
} DocumentPropertyHeader;

static void DefaultDevMode(DEVMODEW* dm, LPCWSTR printer_name) {
  memset(dm, 0, sizeof *dm);
  if (printer_name != NULL) lstrcpynW(dm->dmDeviceName, printer_name, CCHDEVICENAME);
  dm->dmSpecVersion = DM_SPECVERSION;
  dm->dmSize = sizeof *dm;
  dm->dmFields =
      DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_PRINTQUALITY | DM_YRESOLUTION | DM_COLOR;
  dm->dmOrientation = DMORIENT_PORTRAIT;
  dm->dmPaperSize = DMPAPER_A4;
  dm->dmCopies = 1;
  dm->dmPrintQuality = 204;
  dm->dmYResolution = 196;
  dm->dmColor = DMCOLOR_MONOCHROME;
}

/* Takes over the public fields the caller set in its own device mode. */
static void MergeDevMode(DEVMODEW* dm, const DEVMODEW* in) {
  if (in == NULL || in->dmSize < offsetof(DEVMODEW, dmFields) + sizeof in->dmFields) return;
  if ((in->dmFields & DM_ORIENTATION) &&
      (in->dmOrientation == DMORIENT_PORTRAIT || in->dmOrientation == DMORIENT_LANDSCAPE))
    dm->dmOrientation = in->dmOrientation;
  if ((in->dmFields & DM_PAPERSIZE) && in->dmPaperSize > 0) dm->dmPaperSize = in->dmPaperSize;
  if ((in->dmFields & DM_COPIES) && in->dmCopies > 0) dm->dmCopies = in->dmCopies;
}

LONG WINAPI DrvDocumentPropertySheets(void* property_sheet_info, LPARAM param) {
  DocumentPropertyHeader* header = (DocumentPropertyHeader*)param;
  DEVMODEW dm;
  if (property_sheet_info != NULL) {
    SetLastError(ERROR_NOT_SUPPORTED); /* no settings pages: the image writer has its own dialog */
    return -1;
  }
  if (header == NULL || header->cbSize < sizeof *header) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (header->fMode == 0 || header->pdmOut == NULL) return sizeof(DEVMODEW);
  if (header->cbOut < sizeof(DEVMODEW)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return -1;
  }
  DefaultDevMode(&dm, header->pszPrinterName);
  if (header->fMode & DM_IN_BUFFER) MergeDevMode(&dm, header->pdmIn);
  memcpy(header->pdmOut, &dm, sizeof dm);
  return IDOK;
}

LONG WINAPI DrvDevicePropertySheets(void* property_sheet_info, LPARAM param) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return -1;
}

/* Capabilities the package can state truthfully; everything else is not supported. */
DWORD WINAPI DrvDeviceCapabilities(HANDLE printer, LPWSTR device_name, WORD capability,
                                   void* output, PDEVMODEW devmode) {
  switch (capability) {
    case DC_FIELDS:
      return DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_PRINTQUALITY | DM_YRESOLUTION |
             DM_COLOR;
    case DC_SIZE:
      return sizeof(DEVMODEW);
    case DC_EXTRA:
    case DC_DUPLEX:
    case DC_COLORDEVICE:
      return 0;
    case DC_COPIES:
      return 999;
    case DC_ORIENTATION:
      return 90;
    case DC_DRIVER:
      return 0x0400;
    case DC_VERSION:
      return DM_SPECVERSION;
    default:
      SetLastError(ERROR_NOT_SUPPORTED);
      return (DWORD)-1;
  }
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
