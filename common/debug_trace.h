// One trace line: a fixed tag, the printf-formatted message, then CR LF, at most 1024
// characters, handed to the platform's debug-string output. Tracing is always on and has no
// levels. The ANSI form serves Q71File and PrnWipe, the UTF-16 form drvsetup.
//
// The sink is process-wide, like the debug-string output it stands for: a program's entry
// installs its platform's output once; tests install a capturing sink and restore the old one.
#pragma once

#include <cstdarg>
#include <string>

namespace qid {

class TraceSink {
 public:
  virtual ~TraceSink() = default;
  // Receives one finished line, CR LF included.
  virtual void TraceLine(const std::string& line) = 0;
  virtual void TraceLineW(const std::u16string& line) = 0;
};

// Longest line, CR LF included. A longer message is cut so that CR LF still ends it.
constexpr size_t kMaxTraceLine = 1024;

// Installs the sink and returns the one it replaces; nullptr discards traces.
TraceSink* SetTraceSink(TraceSink* sink);

// Formats with the C printf conventions. "%hs" in the product's UTF-16 traces means a narrow
// string; in the ANSI form a plain "%s" is used for the same text.
void DebugTrace(const char* tag, const char* format, ...) __attribute__((format(printf, 2, 3)));
void DebugTraceV(const char* tag, const char* format, va_list args);

// UTF-16 form, with the conventions of the Windows wide formatter: %s and %ls take a UTF-16
// string (const char16_t*), %hs a narrow one; %c, %d, %i, %u, %x, %X with flags, width,
// precision and the l or h modifiers; %%. Any other conversion is copied through as text.
void DebugTraceW(const char16_t* tag, const char16_t* format, ...);
void DebugTraceWV(const char16_t* tag, const char16_t* format, va_list args);

}  // namespace qid
