// Q71File's trace tags, all in one place. A tag names the module and step; the blanks after
// it are part of it, since logs are searched by their exact text, so no tag is ever respelled.
#pragma once

namespace qid::trace {

constexpr char kDialog[] = "QIF01:  ";       // the settings dialog, the job's start, outputs
constexpr char kJobSteps[] = "QIF01 : ";     // page counters, serial reset, terminate, commands
constexpr char kFiles[] = "QIF02:  ";        // settings store, splicing, splitting, header fix
constexpr char kNaming[] = "QIF03:  ";       // output names and serial numbers
constexpr char kEnvironment[] = "ENV01:  ";  // the document name in the environment
constexpr char kStore[] = "SEC01:  ";        // choosers, reset-serial, JPEG names
constexpr char kFileAccess[] = "SEC03:  ";   // job file, done marker, AppendTiff's opens
constexpr char kJpeg[] = "JPG01:  ";         // JPEG export
constexpr char kRun[] = "RUN02:  ";          // "Run (...)" before an Output Application starts
// The Output Application launcher's own lines ("CreateProcess", "=>iResult") carry one blank
// fewer than kRun: it is a different tag, and stays one blank.
constexpr char kLaunch[] = "RUN02: ";
constexpr char kPdf[] = "PDF01:  ";          // the PDF writer
constexpr char kTime[] = "TIME:  ";          // the PDF creation date
constexpr char kSerialReset[] = "ZELS:  ";   // Auto Reset Serial Number after a job

}  // namespace qid::trace
