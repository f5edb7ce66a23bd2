// Per-page JPEG export of data-mode-0 jobs: the first page of a TIFF piece becomes a baseline
// JFIF file at quality 75 carrying the TIFF's resolution, and the TIFF is removed.
//
// Single-threaded, like the job. The imaging layer's state (the JFIF density of the next save,
// the platform facts of ImagingStartup) lives in ctx.imaging.
#pragma once

#include <string>

namespace qid {

struct WriterContext;

// Paths of the conversion are held in 256-byte buffers.
constexpr size_t kJpegPathCapacity = 255;

// Replaces the extension of the path's file name (its last dot after the last "\" or "/") with
// the page suffix "<extension>" for page 0 or "_<page><extension>" otherwise, or appends the
// suffix when the file name has no dot. False (path unchanged) when the result would pass
// kJpegPathCapacity. Page numbers of 100 and above simply get more digits.
bool MakePageName(std::string* path, int page_number, const std::string& extension);

// MakePageName with ".jpg"; traces "err = %d" when an extension was replaced.
// C:\out\Doc0001.tif, 0 -> C:\out\Doc0001.jpg; 3 -> C:\out\Doc0001_3.jpg;
// C:\out.d\page, 0 -> C:\out.d\page.jpg.
bool MakeJpegName(std::string* path, int page_number);

enum JpegResult : int {
  kJpegWritten = 0,
  kJpegNoImage = 1,         // a dimension 0, a depth outside {1, 4, 8, 16, 24}, or too large
  kJpegNotLoaded = 2,       // the TIFF or its first page cannot be read
  kJpegDepthRefused = 3,    // 1-bit and 16-bit images are not encoded
  kJpegNotCreated = 4,      // the JPEG file cannot be created
  kJpegNotWritten = 5,      // encoding or writing failed; the partial file was removed
  kJpegBadPath = 6,         // the JPEG path does not fit its buffer
};

// Encodes the first page of the TIFF as baseline JFIF at quality 75 into *jpeg_path and deletes
// the TIFF once the JPEG is written. When *jpeg_path names the TIFF's file (SameFileName), its
// last four characters become "_.jpg" first (so the caller learns the name written). Returns
// a JpegResult; the TIFF stays when no JPEG was written.
int ConvertToJpeg(WriterContext& ctx, std::string* jpeg_path, const std::string& tiff_path);

// Records the platform version (major * 100 + minor) and whether images may be backed by
// device-independent bitmap sections (NT 3.50 and later, the Windows 95 family above 3.94);
// resets the JFIF density. Called once before any conversion.
void ImagingStartup(WriterContext& ctx);

// Ends the imaging layer's use by this job. Conversions hold no files, images or libtiff and
// libjpeg objects beyond their own call, and the job is single-threaded, so there are no locks
// to release: this returns the state to what it was before ImagingStartup.
void ImagingShutdown(WriterContext& ctx);

}  // namespace qid
