#include "imagewriter/pdf/pdf_writer.h"

#include <tiffio.h>

#include <ctime>

#include "common/debug_trace.h"
#include "imagewriter/pdf/pdf_images.h"
#include "imagewriter/pdf/pdf_output.h"
#include "imagewriter/pdf/pdf_page.h"
#include "imagewriter/tiff_reader.h"
#include "platform/platform.h"

namespace qid::pdf {
namespace {

// Object numbers are written as int: 8 + 8 × pages must stay well inside.
constexpr long kMaxPdfPages = 1000000;
// The cross-reference table has ten digits for an offset.
constexpr uint64_t kMaxPdfOffset = 9999999999ull;
// GetUserNameA's buffer: 64 bytes with the terminator.
constexpr size_t kUserNameCapacity = 63;

int Offset(const PdfOutput& out, int object) {
  return static_cast<int>(PdfObjectOffset(out, object));
}

// The object-begin step for the document objects, whose traces carry number and offset.
void BeginTraced(PdfOutput& out, const char* trace_format) {
  int number = PdfBeginObject(out);
  DebugTrace(kTagPdf, trace_format, number, Offset(out, number));
  PdfObjectLine(out);
}

void WriteCatalogAndOutlines(PdfOutput& out) {
  BeginTraced(out, "=>%d Catalog [%d]");
  PdfPrint(out, "<<\n");
  PdfPrint(out, "/Type /Catalog\n");
  PdfPrint(out, "/Pages 3 0 R\n");
  PdfPrint(out, "/Outlines 2 0 R\n");
  PdfPrint(out, "/Dests 5 0 R\n");
  PdfPrint(out, "/PageMode /UseNone\n");
  PdfPrint(out, ">>\n");
  PdfPrint(out, "endobj\n");
  BeginTraced(out, "=>%d Outlines [%d]");
  PdfPrint(out, "<<\n");
  PdfPrint(out, "/Type /Outlines\n");
  PdfPrint(out, "/Count 0\n");
  PdfPrint(out, ">>\n");
  PdfPrint(out, "endobj\n");
}

void WriteDocumentObjects(PdfOutput& out, long pages) {
  BeginTraced(out, "=>%d pages [%d]");
  PdfPrint(out, "<<\n");
  PdfPrint(out, "/Type /Pages\n");
  PdfPrint(out, "/Count %ld\n", pages);
  PdfPrint(out, "/Kids [ ");
  for (long i = 0; i < pages; ++i) PdfPrint(out, "%d 0 R ", static_cast<int>(8 + 8 * i));
  PdfPrint(out, "]\n");
  PdfPrint(out, ">>\n");
  PdfPrint(out, "endobj\n");
  BeginTraced(out, "=>%d ProcSets [%d]");
  PdfPrint(out, "[ /PDF /Text /ImageC ]\n");
  PdfPrint(out, "endobj\n");
  BeginTraced(out, "=>%d Unused [%d]");
  PdfPrint(out, "<<\n>>\n");
  PdfPrint(out, "endobj\n");
  BeginTraced(out, "=>%d Font Courier [%d]");
  PdfPrint(out, "<<\n");
  PdfPrint(out, "/Type /Font\n");
  PdfPrint(out, "/Subtype /Type1\n");
  PdfPrint(out, "/Name /F1\n");
  PdfPrint(out, "/BaseFont /Courier\n");
  PdfPrint(out, "/Encoding 7 0 R\n");
  PdfPrint(out, "/FirstChar 0\n");
  PdfPrint(out, "/LastChar 255\n");
  PdfPrint(out, ">>\n");
  PdfPrint(out, "endobj\n");
  BeginTraced(out, "=>%d encoded WinAnsi [%d]");
  PdfPrint(out, "<<\n");
  PdfPrint(out, "/Type /Encoding\n");
  PdfPrint(out, "/BaseEncoding /WinAnsiEncoding\n");
  PdfPrint(out, "/Differences [ ]\n");
  PdfPrint(out, ">>\n");
  PdfPrint(out, "endobj\n");
}

// Pages of all sources: each opened TIFF has its first directory plus every further one that
// can be read. 0, or 3 when a source cannot be opened.
int CountPages(FileSystem& files, const std::vector<std::string>& sources, long* pages) {
  long total = 0;
  for (const std::string& source : sources) {
    TiffPtr tif = OpenTiffReader(files, source, nullptr);
    if (!tif) return kPdfSourceNotOpened;
    long count = 1;
    while (count <= kMaxPdfPages && TIFFReadDirectory(tif.get())) ++count;
    total += count;
    if (total > kMaxPdfPages) break;
  }
  *pages = total;
  return 0;
}

// Makes directory n (from 0) current; reading the next one in order is the usual step.
bool SelectDirectory(TIFF* tif, uint32_t n) {
  if (n > 0 && TIFFCurrentDirectory(tif) == n - 1) return TIFFReadDirectory(tif) != 0;
  return TIFFSetDirectory(tif, static_cast<tdir_t>(n)) != 0;
}

// One page's eight objects from the current directory; 0, 1 or 99.
int WritePage(PdfOutput& out, TIFF* tif, long page, long image_number, int jpeg_quality) {
  PageInfo info = ReadPageInfo(tif);
  PageGeometry geometry;
  if (!ComputePageGeometry(info, &geometry)) return kPdfFailed;
  PageImage image;
  if (PreparePageImage(tif, info, &image) != 0) return kPdfFailed;
  FlateReset(out);
  const int n = static_cast<int>(8 + 8 * (page - 1));
  const int p = static_cast<int>(page);

  int object = PdfBeginObject(out);
  DebugTrace(kTagPdf, "=>%d Page %d [%d]", object, p, Offset(out, object));
  PdfObjectLine(out);
  PdfPrint(out, "<<\n");
  PdfPrint(out, "/Type /Page\n");
  PdfPrint(out, "/Parent 3 0 R\n");
  PdfPrint(out, "/MediaBox [ 0 0 %d %d ]\n", geometry.media_w, geometry.media_h);
  PdfPrint(out,
           "/Resources << /Font << /F1 6 0 R >> /XObject << /Im%ld %d 0 R >> /ProcSet 4 0 R >>\n",
           image_number, n + 3);
  PdfPrint(out, "/Annots [ ]\n");
  PdfPrint(out, "/Contents %d 0 R\n", n + 1);
  PdfPrint(out, ">>\n");
  PdfPrint(out, "endobj\n");

  object = PdfBeginObject(out);
  DebugTrace(kTagPdf, "=>%d Content %d [%d]", object, p, Offset(out, object));
  PdfObjectLine(out);
  PdfPrint(out, "<<\n");
  PdfPrint(out, "/Length %d 0 R\n", n + 2);
  PdfPrint(out, "/Filter /FlateDecode\n");
  PdfPrint(out, ">>\n");
  PdfPrint(out, "stream\n");
  uint64_t start = PdfTell(out);
  out.flate_redirect = true;
  PdfPrint(out, "%c\n", 'q');
  PdfPrint(out, "%f 0.0 0.0 %f 0.0 0.0 cm\n", geometry.w, geometry.h);
  PdfPrint(out, "/Im%ld %c%c\n", image_number, 'D', 'o');
  FlateFinish(out);
  out.flate_redirect = false;
  uint64_t content_length = PdfTell(out) - start;
  PdfPrint(out, "endstream\n");
  PdfPrint(out, "endobj\n");

  object = PdfBeginObject(out);
  DebugTrace(kTagPdf, "=>%d streamlength %d  %d [%d]", object, p,
             static_cast<int>(content_length), Offset(out, object));
  PdfObjectLine(out);
  PdfPrint(out, "%ld\n", static_cast<long>(content_length));
  PdfPrint(out, "endobj\n");

  object = PdfBeginObject(out);
  DebugTrace(kTagPdf, "=>%d Xobject %d [%d]", object, p, Offset(out, object));
  PdfObjectLine(out);
  PdfPrint(out, "<<\n");
  PdfPrint(out, "/Type /XObject\n");
  PdfPrint(out, "/Subtype /Image\n");
  PdfPrint(out, "/Length %d 0 R\n", n + 4);
  PdfPrint(out, "/Name /Im%ld\n", image_number);
  PdfPrint(out, "/Width %ld\n", static_cast<long>(info.width));
  PdfPrint(out, "/Height %ld\n", static_cast<long>(info.length));
  uint64_t image_length = 0;
  int result = WriteImageData(out, tif, info, jpeg_quality, n, &image, &image_length);
  if (result != 0) return result;
  PdfPrint(out, "\nendstream\n");
  PdfPrint(out, "endobj\n");

  object = PdfBeginObject(out);
  DebugTrace(kTagPdf, "=>%d StreamLength %d [%d]", object, static_cast<int>(image_length),
             Offset(out, object));
  PdfObjectLine(out);
  // Byte counts and offsets go out as long long: the same digits, and no 32-bit wrap on
  // Windows, where long is 32 bits.
  PdfPrint(out, "%llu\n", static_cast<unsigned long long>(image_length));
  PdfPrint(out, "endobj\n");

  return WriteImageTail(out, image, n);
}

// The page loop over the sources in order; 0, 1, 3 or 99.
int WritePages(Platform& os, PdfOutput& out, const std::vector<std::string>& sources,
               long pages, int jpeg_quality) {
  TiffPtr tif;
  std::string open_path;
  size_t k = 0;
  uint32_t d = 1;
  long image_number = 1;
  for (long p = 1; p <= pages;) {
    // The sources held fewer pages than counted: they changed under the writer.
    if (k >= sources.size()) return kPdfFailed;
    const std::string& source = sources[k];
    if (!tif) {
      DebugTrace(kTagPdf, "in Image %s", source.c_str());
      tif = OpenTiffReader(*os.files, source, nullptr);
      open_path = source;
    } else if (open_path != source) {
      DebugTrace(kTagPdf, "Image %s", source.c_str());
      tif = OpenTiffReader(*os.files, source, nullptr);
      open_path = source;
    }
    if (!tif) return kPdfSourceNotOpened;
    if (!SelectDirectory(tif.get(), d - 1)) {
      tif.reset();
      ++k;
      d = 1;
      continue;
    }
    ++d;
    int result = WritePage(out, tif.get(), p, image_number, jpeg_quality);
    if (result != 0) return result;
    if (out.failed) return kPdfFailed;
    ++image_number;
    ++p;
  }
  return kPdfDone;
}

// A PDF literal string's text: "(", ")" and "\" are escaped so the string ends where it should.
std::string LiteralText(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '(' || c == ')' || c == '\\') escaped.push_back('\\');
    escaped.push_back(c);
  }
  return escaped;
}

// The information object, the cross-reference table and the trailer. False when an offset no
// longer fits the table.
bool WriteInfoAndTrailer(Platform& os, PdfOutput& out, long pages) {
  const std::string title, subject, keywords;  // the job has none to give
  std::string author;
  if (os.system->UserName(kUserNameCapacity, &author) != kSuccess) author.clear();
  const int m = static_cast<int>(8 + 8 * pages);

  BeginTraced(out, "=>%d Info [%d]");
  PdfPrint(out, "<<\n");
  PdfPrint(out, "/Title (%s)\n", LiteralText(title).c_str());
  PdfPrint(out, "/Subject (%s)\n", LiteralText(subject).c_str());
  PdfPrint(out, "/Author (%s)\n", LiteralText(author).c_str());
  PdfPrint(out, "/Keywords (%s)\n", LiteralText(keywords).c_str());
  PdfPrint(out, "/Creator  (QID Version 4.01)\n");
  PdfPrint(out, "/Producer (R2E.DLL ZEL AG)\n");
  std::tm now = os.system->LocalTime();
  char date[64];
  if (std::strftime(date, sizeof date, "D:%Y%m%d%H%M", &now) == 0) date[0] = '\0';
  DebugTrace(trace::kTime, "%s", date);
  PdfPrint(out, "/CreationDate (%s)\n", date);
  PdfPrint(out, ">>\n");
  PdfPrint(out, "endobj\n");

  uint64_t xref = PdfTell(out);
  if (xref > kMaxPdfOffset) return false;
  DebugTrace(kTagPdf, "=>%d xref [%d]", m + 1, static_cast<int>(xref));
  PdfPrint(out, "xref\n");
  PdfPrint(out, "0 %d\n", m + 1);
  PdfPrint(out, "0000000000 65535 f \n");
  for (int k = 1; k <= m; ++k) {
    // Ten digits, twenty bytes an entry: the same as a "0" and nine digits below 1 GB.
    PdfPrint(out, "%010llu 00000 n \n",
             static_cast<unsigned long long>(PdfObjectOffset(out, k)));
  }
  PdfPrint(out, "trailer\n");
  PdfPrint(out, "<<\n");
  PdfPrint(out, "/Size %d\n", m + 1);
  PdfPrint(out, "/Root 1 0 R\n");
  PdfPrint(out, "/Info %d 0 R\n", m);
  PdfPrint(out, ">>\n");
  PdfPrint(out, "startxref\n");
  PdfPrint(out, "%lld\n", static_cast<long long>(xref));
  PdfPrint(out, "%%%%EOF\n");
  return true;
}

}  // namespace

int WritePdf(Platform& os, const std::string& target, const std::vector<std::string>& sources,
             int jpeg_quality) {
  DebugTrace(kTagPdf, "tiff2pdf ANFANG");
  // Without a source there is no page to show; a PDF without pages is no document.
  if (target.empty() || sources.empty()) return kPdfFailed;
  PdfOutput out;
  if (!PdfOpenOutput(*os.files, target, &out)) return kPdfFailed;
  PdfPrint(out, "%%PDF-1.5\n");
  if (!PdfReserveObjects(out, 8 * sources.size() + 8)) return kPdfFailed;
  WriteCatalogAndOutlines(out);

  long pages = 0;
  int result = CountPages(*os.files, sources, &pages);
  if (result != 0) return result;
  if (pages > kMaxPdfPages) return kPdfFailed;
  if (!PdfReserveObjects(out, 8 * static_cast<size_t>(pages) + 8)) return kPdfFailed;
  WriteDocumentObjects(out, pages);
  DebugTrace(kTagPdf, "Writing %d PDF pages\n", static_cast<int>(pages));

  result = WritePages(os, out, sources, pages, jpeg_quality);
  if (result != 0) return result;
  if (!WriteInfoAndTrailer(os, out, pages)) return kPdfFailed;
  if (!PdfCloseOutput(out)) return kPdfFailed;
  DebugTrace(kTagPdf, "tiff2pdf ENDE");
  return kPdfDone;
}

}  // namespace qid::pdf
