// PDF and PostScript documents become TIFF pages through Ghostscript, with the devices and
// resolutions of the driver's three page kinds.
#pragma once

#include <functional>
#include <string>

#include "driver/driver_options.h"

namespace qid::driver {

// The Ghostscript device and resolution of a rendering, e.g. "tiffg4" and "204x196".
const char* DeviceFor(Rendering rendering);
const char* ResolutionFor(Rendering rendering);

// Told of each page as Ghostscript starts it: its number and the document's page count (0 when
// Ghostscript does not know it beforehand, as for a PostScript program).
using RenderProgress = std::function<void(int page, int total)>;

// Renders every page of `document` into the multi-page TIFF `tiff_path` (host paths); grey and
// colour pages LZW-compressed. False with *error when Ghostscript is missing or fails.
bool RenderDocument(const std::string& document, Rendering rendering, const std::string& tiff_path,
                    const RenderProgress& progress, std::string* error);

// Turns the PostScript `document` into the PDF `pdf_path` (host paths), whose pages Ghostscript
// counts before it renders them. False with *error when Ghostscript is missing or fails.
bool DistillPostScript(const std::string& document, const std::string& pdf_path,
                       std::string* error);

}  // namespace qid::driver
