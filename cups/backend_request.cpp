#include "cups/backend_request.h"

#include <cstdlib>

namespace qid::cups {

const char kDeviceLine[] =
    "direct qid \"Quendrel Image Driver\" \"Quendrel Image Driver 4.0 (image files)\"";

namespace {

bool ParseRendering(const std::string& name, Rendering* rendering) {
  if (name == "fax" || name == "bi-level") *rendering = Rendering::kFax;
  else if (name == "gray" || name == "monochrome") *rendering = Rendering::kGray;
  else if (name == "rgb" || name == "color") *rendering = Rendering::kRgb;
  else return false;
  return true;
}

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
      if (!ParseRendering(value, &request->rendering)) {
        *error = "the device URI's render takes fax, gray or rgb, not " + value;
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
  std::string mode, jpeg;
  if (!uri_fixes_rendering && FindOption(argv[5], "print-color-mode", &mode))
    ParseRendering(mode, &request->rendering);
  // "-o qid-jpeg" asks for one JPEG file per page (data mode 0).
  if (FindOption(argv[5], "qid-jpeg", &jpeg))
    request->jpeg_pages = jpeg.empty() || jpeg == "true" || jpeg == "yes" || jpeg == "on";
  if (request->jpeg_pages && !uri_fixes_rendering && request->rendering == Rendering::kFax &&
      mode.empty())
    request->rendering = Rendering::kGray;  // JPEG files need grey or colour pages
  return true;
}

}  // namespace qid::cups
