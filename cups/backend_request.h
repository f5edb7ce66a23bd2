// What CUPS asks of the print-queue backend: list its device, or print one job. CUPS starts a
// backend with no arguments to discover it, and otherwise with the job id, the submitting user,
// the title, the copies, the options and, for a job that is not piped in, the document's file;
// the queue's device URI arrives in DEVICE_URI.
#pragma once

#include <cstdint>
#include <string>

namespace qid::cups {

enum class Rendering { kFax, kGray, kRgb };

// What the job's "QidOutput" option asks for; kSettings leaves it to the user's settings.
enum class OutputKind { kSettings, kTiff, kPdf, kJpeg };

struct BackendRequest {
  bool list_device = false;     // called with no arguments
  std::string job_id;
  std::string user;             // the submitting user, whose settings and folder the job uses
  std::string title;
  std::string document;         // empty: the document comes on standard input
  std::string program_folder;   // where Q71File and qiddriver live (the device URI's path)
  Rendering rendering = Rendering::kFax;
  bool jpeg_pages = false;      // one JPEG file per page ("-o QidOutput=JPEG", "-o qid-jpeg")
  OutputKind output = OutputKind::kSettings;
  std::string refusal;          // an option value the queue does not offer: the job is held
  uint32_t timeout_seconds = 600;
};

// The device line CUPS lists for this backend.
extern const char kDeviceLine[];

// Reads argv and the device URI ("qid:/usr/local/lib/qid?timeout=300&render=gray").
// The rendering: the URI's, else the job's "ColorModel" (Fax, Gray, RGB), else its
// "print-color-mode" (bi-level, monochrome, color). "QidOutput" (Settings, TIFF, PDF, JPEG)
// picks the output kind; JPEG pages are grey unless a colour mode is asked for. "PageSize"
// must be one of the queue's. An option value outside these sets is named in `refusal`.
// False with *error (one line) for a call that is not CUPS's.
bool ParseBackendRequest(int argc, const char* const* argv, const char* device_uri,
                         BackendRequest* request, std::string* error);

// The qiddriver --render name of a rendering.
const char* RenderingName(Rendering rendering);

}  // namespace qid::cups
