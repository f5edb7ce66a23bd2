// The PDF writer: every page of the source TIFF files becomes one page of a PDF 1.5 file.
//
// The file is written front to back in one pass with a fixed object numbering: seven document
// objects, eight per page (page N = 8 + 8 × i, content, content length, image, image length,
// and a palette's colour space, lookup table and its length or three fillers), the document
// information object, the cross-reference table and the trailer. Each page shows its image
// at the scanned size (72 / resolution points a pixel; see PageGeometry in pdf_page.h).
#pragma once

#include <string>
#include <vector>

namespace qid {
struct Platform;
}  // namespace qid

namespace qid::pdf {

// The quality at which the job's PDFs re-encode 8-bit pages (DCT).
constexpr int kJobJpegQuality = 50;

enum PdfResult : int {
  kPdfDone = 0,
  kPdfFailed = 1,              // no target or source, target not creatable or not writable,
                               // memory, unreadable data, a page too damaged to carry
  kPdfSourceNotOpened = 3,     // a source file cannot be opened as TIFF
  kPdfUnsupportedSamples = 99, // a page kind the writer does not carry: a non-palette page
                               // with SamplesPerPixel not 1, 3 or 4, a bit depth a PDF image
                               // cannot have, several samples in separate planes,
                               // subsampled YCbCr rows
};

// Writes `target` (replacing it) from all pages of `sources`, in order, reading the TIFFs and
// writing the PDF through os.files; the Author is os.system's user name, the creation date
// os.system's local time. jpeg_quality 0 switches DCT re-encoding off; the job passes
// kJobJpegQuality.
//
// Any result other than kPdfDone leaves the partly written target on disk. A failed write
// (a full disk, say) gives kPdfFailed, never kPdfDone. One call is one conversion; calls share
// no state.
int WritePdf(Platform& os, const std::string& target, const std::vector<std::string>& sources,
             int jpeg_quality);

}  // namespace qid::pdf
