// Baseline JFIF encoding of an in-memory page image with libjpeg, into a platform File.
#pragma once

#include <string>

#include "imagewriter/imaging_state.h"
#include "imagewriter/jpegexport_page.h"
#include "platform/file_system.h"

namespace qid {

// Writes the image as a baseline JFIF 1.02 file at `quality` with libjpeg's standard tables
// (jpeg_set_defaults, jpeg_set_quality with force_baseline): a grey-flagged 8-bit image as one
// grey component, other 8-bit images through their palette and 24-bit images as YCbCr 4:2:0.
// Segments: SOI, APP0 (JFIF, *density, no thumbnail), one DQT per table, SOF0, one DHT per table
// (luminance DC, AC, then chrominance DC, AC), SOS, the data, EOI.
//
// Once the headers are written *density returns to units 0, 1 x 1. Returns a JpegResult:
// kJpegDepthRefused (no file created) for depths other than 8 and 24, kJpegNotCreated, or
// kJpegNotWritten when encoding or writing fails, in which case the partial file is removed.
int SaveJpeg(FileSystem& files, const std::string& path, const JpegImage& image, int quality,
             JfifDensity* density);

}  // namespace qid
