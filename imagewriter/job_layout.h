// Which of the two job file layouts a job file has. The driver side picks the layout from the
// stored Output Mode before the settings dialog runs, so the mode a job is written in can
// differ from the one its layout was made for (the dialog changed it; print-to-file forces
// Document). Neither path can write the other's layout: splitting one TIFF of all pages yields
// one unreadable piece, and copying or splicing pieces yields a file whose pages no reader finds.
#pragma once

#include <string>

namespace qid {

struct WriterContext;

enum class JobLayout {
  kDocument,  // one TIFF of all pages: a first IFD that describes a page
  kSplit,     // from byte 24 on, one TIFF per page: a TIFF header at byte 24 and no first IFD
  kUnknown,   // neither, or both: the Output Mode decides, as it always did
};

// Reads only the header and the first IFD of the job file (after the header check restored
// "II"); never the whole file. A file that cannot be read is kUnknown.
JobLayout DetectJobLayout(WriterContext& ctx, const std::string& job_path);

// A job of one TIFF of all pages fits the TIFF format's 4 GiB (its 32-bit offsets reach no
// further), so Document and Append output can hold it. False (traced) when it is larger.
bool JobFitsOneTiff(WriterContext& ctx, const std::string& job_path);

}  // namespace qid
