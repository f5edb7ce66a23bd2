#include "cups/backend_request.h"

#include <cstdlib>

namespace qid::cups {

const char kDeviceLine[] =
    "direct qid \"Quendrel Image Driver\" \"Quendrel Image Driver 4.0 (image files)\"";

namespace {

// A value and what it means, for the options of one kind.
template <typename T>
struct Choice {
  const char* name;
  T value;
};

template <typename T, size_t N>
bool Pick(const Choice<T> (&choices)[N], const std::string& name, T* value) {
  for (const Choice<T>& c : choices)
    if (name == c.name) {
      *value = c.value;
      return true;
    }
  return false;
}

template <typename T, size_t N>
std::string Names(const Choice<T> (&choices)[N]) {
  std::string names;
  for (size_t i = 0; i < N; ++i)
    names += std::string(i == 0 ? "" : i + 1 == N ? " or " : ", ") + choices[i].name;
  return names;
}

const Choice<Rendering> kUriRenderings[] = {
    {"fax", Rendering::kFax}, {"gray", Rendering::kGray}, {"rgb", Rendering::kRgb}};
const Choice<Rendering> kColorModels[] = {
    {"Fax", Rendering::kFax}, {"Gray", Rendering::kGray}, {"RGB", Rendering::kRgb}};
const Choice<Rendering> kPrintColorModes[] = {
    {"bi-level", Rendering::kFax}, {"monochrome", Rendering::kGray}, {"color", Rendering::kRgb}};
const Choice<OutputKind> kOutputKinds[] = {{"Settings", OutputKind::kSettings},
                                           {"TIFF", OutputKind::kTiff},
                                           {"PDF", OutputKind::kPdf},
                                           {"JPEG", OutputKind::kJpeg}};
const Choice<bool> kPageSizes[] = {
    {"A4", true}, {"Letter", true}, {"Legal", true}, {"A5", true}, {"A3", true}};

// Finds `name` in CUPS's option text ("a=1 b='x y' c") and gives its value, unquoted (empty for
// a bare name).
bool FindOption(const std::string& options, const std::string& name, std::string* found) {
  size_t i = 0;
  while (i < options.size()) {
    while (i < options.size() && options[i] == ' ') ++i;
    size_t key_end = i;
    while (key_end < options.size() && options[key_end] != '=' && options[key_end] != ' ')
      ++key_end;
    std::string key = options.substr(i, key_end - i);
    std::string value;
    i = key_end;
    if (i < options.size() && options[i] == '=') {
      ++i;
      char quote = 0;
      while (i < options.size() && (quote != 0 || options[i] != ' ')) {
        char c = options[i++];
        if (quote == 0 && (c == '\'' || c == '"')) quote = c;
        else if (c == quote) quote = 0;
        else if (c == '\\' && i < options.size()) value += options[i++];
        else value += c;
      }
    }
    if (key == name) {
      *found = value;
      return true;
    }
  }
  return false;
}

bool ParseUri(const std::string& uri, BackendRequest* request, bool* uri_fixes_rendering,
              std::string* error) {
  const std::string scheme = "qid:";
  if (uri.compare(0, scheme.size(), scheme) != 0) {
    *error = "the device URI " + uri + " is not a qid: URI";
    return false;
  }
  std::string rest = uri.substr(scheme.size());
  std::string query;
  size_t q = rest.find('?');
  if (q != std::string::npos) {
    query = rest.substr(q + 1);
    rest.erase(q);
  }
  // qid:/folder and qid:///folder both name /folder.
  while (rest.size() > 1 && rest[0] == '/' && rest[1] == '/') rest.erase(0, 1);
  if (rest.empty() || rest[0] != '/' || rest.find("/..") != std::string::npos) {
    *error = "the device URI " + uri + " does not name the program folder (qid:/FOLDER)";
    return false;
  }
  request->program_folder = rest;
  size_t start = 0;
  while (start < query.size()) {
    size_t end = query.find('&', start);
    if (end == std::string::npos) end = query.size();
    std::string pair = query.substr(start, end - start);
    start = end + 1;
    size_t eq = pair.find('=');
    std::string key = pair.substr(0, eq);
    std::string value = eq == std::string::npos ? "" : pair.substr(eq + 1);
    if (key == "timeout") {
      char* stop = nullptr;
      unsigned long seconds = std::strtoul(value.c_str(), &stop, 10);
      if (value.empty() || *stop != 0 || seconds < 1 || seconds > 86400) {
        *error = "the device URI's timeout takes seconds from 1 to 86400, not " + value;
        return false;
      }
      request->timeout_seconds = static_cast<uint32_t>(seconds);
    } else if (key == "render") {
      if (!Pick(kUriRenderings, value, &request->rendering)) {
        *error = "the device URI's render takes " + Names(kUriRenderings) + ", not " + value;
        return false;
      }
      *uri_fixes_rendering = true;
    } else {
      *error = "the device URI has an unknown setting " + key;
      return false;
    }
  }
  return true;
}

// One of the queue's options, when the job has it: false when its value is not one of `choices`
// (the first such option is named in request->refusal).
template <typename T, size_t N>
bool ReadChoice(const std::string& options, const char* option, const Choice<T> (&choices)[N],
                T* value, BackendRequest* request) {
  std::string text;
  if (!FindOption(options, option, &text)) return false;
  if (Pick(choices, text, value)) return true;
  if (request->refusal.empty())
    request->refusal = std::string("the option ") + option + " takes " + Names(choices) +
                       ", not \"" + text + "\"";
  return false;
}

void ReadJobOptions(const std::string& options, bool uri_fixes_rendering,
                    BackendRequest* request) {
  Rendering model = Rendering::kFax, mode = Rendering::kFax;
  const bool has_model = ReadChoice(options, "ColorModel", kColorModels, &model, request);
  const bool has_mode = ReadChoice(options, "print-color-mode", kPrintColorModes, &mode, request);
  if (!uri_fixes_rendering && (has_model || has_mode))
    request->rendering = has_model ? model : mode;
  ReadChoice(options, "QidOutput", kOutputKinds, &request->output, request);
  bool known_size = false;
  ReadChoice(options, "PageSize", kPageSizes, &known_size, request);
  // "-o qid-jpeg", the older spelling of QidOutput=JPEG.
  std::string jpeg;
  if (FindOption(options, "qid-jpeg", &jpeg) &&
      (jpeg.empty() || jpeg == "true" || jpeg == "yes" || jpeg == "on"))
    request->output = OutputKind::kJpeg;
  request->jpeg_pages = request->output == OutputKind::kJpeg;
  if (request->jpeg_pages && !uri_fixes_rendering && request->rendering == Rendering::kFax &&
      !(has_model && model == Rendering::kFax) && !(has_mode && mode == Rendering::kFax))
    request->rendering = Rendering::kGray;  // JPEG files need grey or colour pages
}

}  // namespace

const char* RenderingName(Rendering rendering) {
  switch (rendering) {
    case Rendering::kGray: return "gray";
    case Rendering::kRgb: return "rgb";
    case Rendering::kFax: break;
  }
  return "fax";
}

bool ParseBackendRequest(int argc, const char* const* argv, const char* device_uri,
                         BackendRequest* request, std::string* error) {
  *request = BackendRequest();
  if (argc == 1) {
    request->list_device = true;
    return true;
  }
  if (argc != 6 && argc != 7) {
    *error = "usage: qid job-id user title copies options [file]";
    return false;
  }
  request->job_id = argv[1];
  request->user = argv[2];
  request->title = argv[3];
  if (argc == 7) request->document = argv[6];
  if (request->user.empty()) {
    *error = "the job has no user";
    return false;
  }
  bool uri_fixes_rendering = false;
  if (device_uri == nullptr ||
      !ParseUri(device_uri, request, &uri_fixes_rendering, error)) {
    if (device_uri == nullptr) *error = "DEVICE_URI is not set";
    return false;
  }
  ReadJobOptions(argv[5], uri_fixes_rendering, request);
  return true;
}

}  // namespace qid::cups
