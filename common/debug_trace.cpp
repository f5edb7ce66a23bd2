#include "common/debug_trace.h"

#include <cstdio>

#include "common/text_convert.h"

namespace qid {
namespace {

TraceSink* g_sink = nullptr;

// Cuts the body so that body + CR LF fits the line limit.
template <typename Str>
void FinishLine(Str* line) {
  if (line->size() > kMaxTraceLine - 2) line->resize(kMaxTraceLine - 2);
  line->push_back('\r');
  line->push_back('\n');
}

// Appends one numeric or character conversion, formatted by the C library from a narrow format.
void AppendNarrowConversion(std::u16string* out, const std::string& narrow_format, va_list* args,
                            char conversion, char length) {
  char buf[128];
  int n = 0;
  if (conversion == 'c') {
    // A wide formatter's %c takes a UTF-16 unit, promoted to int.
    out->push_back(static_cast<char16_t>(va_arg(*args, int)));
    return;
  }
  bool is_signed = conversion == 'd' || conversion == 'i';
  if (length == 'l') {
    if (is_signed) n = std::snprintf(buf, sizeof buf, narrow_format.c_str(), va_arg(*args, long));
    else n = std::snprintf(buf, sizeof buf, narrow_format.c_str(), va_arg(*args, unsigned long));
  } else {
    if (is_signed) n = std::snprintf(buf, sizeof buf, narrow_format.c_str(), va_arg(*args, int));
    else n = std::snprintf(buf, sizeof buf, narrow_format.c_str(), va_arg(*args, unsigned int));
  }
  if (n < 0) return;
  if (static_cast<size_t>(n) >= sizeof buf) n = sizeof buf - 1;
  for (int i = 0; i < n; ++i) out->push_back(static_cast<unsigned char>(buf[i]));
}

std::u16string FormatWide(const char16_t* format, va_list args) {
  std::u16string out;
  va_list ap;
  va_copy(ap, args);
  for (const char16_t* p = format; *p != 0; ++p) {
    if (*p != u'%') {
      out.push_back(*p);
      continue;
    }
    const char16_t* start = p++;
    if (*p == u'%') {
      out.push_back(u'%');
      continue;
    }
    std::string narrow_format = "%";
    while (*p == u'-' || *p == u'+' || *p == u' ' || *p == u'#' || *p == u'0') narrow_format.push_back(char(*p++));
    while (*p >= u'0' && *p <= u'9') narrow_format.push_back(char(*p++));
    if (*p == u'.') {
      narrow_format.push_back(char(*p++));
      while (*p >= u'0' && *p <= u'9') narrow_format.push_back(char(*p++));
    }
    char length = 0;
    if (*p == u'l' || *p == u'h') length = char(*p++);
    char16_t conversion = *p;
    if (conversion == 0) {
      out.append(start, p);
      break;
    }
    switch (conversion) {
      case u's': {
        if (length == 'h') {
          const char* s = va_arg(ap, const char*);
          out += AnsiToUtf16(s ? s : "(null)");
        } else {
          const char16_t* s = va_arg(ap, const char16_t*);
          out += s ? s : u"(null)";
        }
        break;
      }
      case u'c': case u'd': case u'i': case u'u': case u'x': case u'X':
        narrow_format.push_back(char(conversion));
        if (length == 'l') narrow_format.insert(narrow_format.size() - 1, "l");
        AppendNarrowConversion(&out, narrow_format, &ap, char(conversion), length);
        break;
      default:
        out.append(start, p + 1);
        break;
    }
  }
  va_end(ap);
  return out;
}

}  // namespace

TraceSink* SetTraceSink(TraceSink* sink) {
  TraceSink* old = g_sink;
  g_sink = sink;
  return old;
}

void DebugTraceV(const char* tag, const char* format, va_list args) {
  if (g_sink == nullptr) return;
  char buf[kMaxTraceLine + 1];
  int n = std::vsnprintf(buf, sizeof buf, format, args);
  std::string line = tag;
  if (n > 0) line.append(buf, static_cast<size_t>(n) < sizeof buf ? n : sizeof buf - 1);
  FinishLine(&line);
  g_sink->TraceLine(line);
}

void DebugTrace(const char* tag, const char* format, ...) {
  va_list args;
  va_start(args, format);
  DebugTraceV(tag, format, args);
  va_end(args);
}

void DebugTraceW(const char16_t* tag, const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  DebugTraceWV(tag, format, args);
  va_end(args);
}

void DebugTraceWV(const char16_t* tag, const char16_t* format, va_list args) {
  if (g_sink == nullptr) return;
  std::u16string line = tag;
  line += FormatWide(format, args);
  FinishLine(&line);
  g_sink->TraceLineW(line);
}

}  // namespace qid
