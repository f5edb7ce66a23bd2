// Per-page JPEG export of data-mode-0 jobs.
#pragma once

#include <string>

namespace qid {

struct WriterContext;

// Rewrites the TIFF path in place into the JPEG path for that page number.
void MakeJpegName(std::string* path, int page_number);

// Encodes the first page of the TIFF as baseline JFIF at quality 75 and deletes the TIFF.
// 0 when the JPEG was written, nonzero otherwise.
int ConvertToJpeg(WriterContext& ctx, std::string* jpeg_path, const std::string& tiff_path);

void ImagingStartup(WriterContext& ctx);
void ImagingShutdown(WriterContext& ctx);

}  // namespace qid
