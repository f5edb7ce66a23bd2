// The PDF writer: every page of the source TIFF files becomes one page of a PDF 1.5 file.
#pragma once

#include <string>
#include <vector>

namespace qid {

struct Platform;

enum PdfResult : int {
  kPdfDone = 0,
  kPdfFailed = 1,              // no target, target not creatable, memory, unreadable data
  kPdfSourceNotOpened = 3,     // a source file cannot be opened as TIFF
  kPdfUnsupportedSamples = 99, // a non-palette page with SamplesPerPixel not 1, 3 or 4
};

// jpeg_quality 0 switches DCT re-encoding off. The job passes 50.
int WritePdf(Platform& os, const std::string& target, const std::vector<std::string>& sources,
             int jpeg_quality);

}  // namespace qid
