#include "cups/backend_request.h"

#include <gtest/gtest.h>

namespace qid::cups {
namespace {

struct Call {
  std::vector<const char*> argv;
  const char* uri;
};

bool Parse(const Call& call, BackendRequest* request, std::string* error) {
  return ParseBackendRequest(static_cast<int>(call.argv.size()), call.argv.data(), call.uri,
                             request, error);
}

TEST(BackendRequest, ListsTheDeviceWithoutArguments) {
  BackendRequest r;
  std::string error;
  ASSERT_TRUE(Parse({{"qid"}, nullptr}, &r, &error));
  EXPECT_TRUE(r.list_device);
}

TEST(BackendRequest, ReadsAJobWithItsFileAndUri) {
  BackendRequest r;
  std::string error;
  ASSERT_TRUE(Parse({{"qid", "17", "anna", "Report Q3", "1", "print-color-mode=color", "/sp/d1"},
                     "qid:///opt/qid?timeout=300"},
                    &r, &error))
      << error;
  EXPECT_FALSE(r.list_device);
  EXPECT_EQ("17", r.job_id);
  EXPECT_EQ("anna", r.user);
  EXPECT_EQ("Report Q3", r.title);
  EXPECT_EQ("/sp/d1", r.document);
  EXPECT_EQ("/opt/qid", r.program_folder);
  EXPECT_EQ(300u, r.timeout_seconds);
  EXPECT_EQ(Rendering::kRgb, r.rendering);
}

TEST(BackendRequest, JobOptionsUnlessTheUriFixesThem) {
  struct Case {
    const char* options;
    const char* uri;
    Rendering rendering;
    OutputKind output;
    const char* refused;  // the option named in the refusal, or ""
  } cases[] = {
      {"", "qid:/q", Rendering::kFax, OutputKind::kSettings, ""},
      {"media=a4 print-color-mode=monochrome", "qid:/q", Rendering::kGray, OutputKind::kSettings, ""},
      {"print-color-mode='bi-level' x", "qid:/q", Rendering::kFax, OutputKind::kSettings, ""},
      {"print-color-mode=color", "qid:/q?render=gray", Rendering::kGray, OutputKind::kSettings, ""},
      // CUPS adds ColorModel=Gray for the default print-color-mode; a chosen model wins.
      {"ColorModel=Fax print-color-mode=monochrome", "qid:/q", Rendering::kFax, OutputKind::kSettings, ""},
      {"print-color-mode=monochrome ColorModel=RGB", "qid:/q", Rendering::kRgb, OutputKind::kSettings, ""},
      {"QidOutput=PDF PageSize=Letter", "qid:/q", Rendering::kFax, OutputKind::kPdf, ""},
      {"QidOutput=JPEG", "qid:/q", Rendering::kGray, OutputKind::kJpeg, ""},
      {"qid-jpeg", "qid:/q", Rendering::kGray, OutputKind::kJpeg, ""},
      {"qid-jpeg=true print-color-mode=color", "qid:/q", Rendering::kRgb, OutputKind::kJpeg, ""},
      {"print-color-mode=sepia", "qid:/q", Rendering::kFax, OutputKind::kSettings, "print-color-mode"},
      {"ColorModel=CMYK", "qid:/q", Rendering::kFax, OutputKind::kSettings, "ColorModel"},
      {"QidOutput=tiff", "qid:/q", Rendering::kFax, OutputKind::kSettings, "QidOutput"},
      {"PageSize=Foolscap", "qid:/q", Rendering::kFax, OutputKind::kSettings, "PageSize"},
  };
  for (const Case& c : cases) {
    BackendRequest r;
    std::string error;
    ASSERT_TRUE(Parse({{"qid", "1", "u", "t", "1", c.options}, c.uri}, &r, &error)) << error;
    EXPECT_EQ(c.rendering, r.rendering) << c.options << " " << c.uri;
    EXPECT_EQ(c.output, r.output) << c.options;
    EXPECT_EQ(c.output == OutputKind::kJpeg, r.jpeg_pages) << c.options;
    if (*c.refused == 0) EXPECT_EQ("", r.refusal) << c.options;
    else EXPECT_NE(std::string::npos, r.refusal.find(std::string("option ") + c.refused + " takes"))
        << r.refusal;
    EXPECT_TRUE(r.document.empty());
  }
}

TEST(BackendRequest, RefusesWhatCupsWouldNotSend) {
  const Call calls[] = {
      {{"qid", "1", "u", "t"}, "qid:/q"},                      // too few arguments
      {{"qid", "1", "", "t", "1", ""}, "qid:/q"},              // no user
      {{"qid", "1", "u", "t", "1", ""}, nullptr},              // no device URI
      {{"qid", "1", "u", "t", "1", ""}, "ipp://host/q"},       // another backend's URI
      {{"qid", "1", "u", "t", "1", ""}, "qid:relative"},       // no absolute folder
      {{"qid", "1", "u", "t", "1", ""}, "qid:/a/../etc"},      // a folder that climbs
      {{"qid", "1", "u", "t", "1", ""}, "qid:/q?timeout=0"},   // out of range
      {{"qid", "1", "u", "t", "1", ""}, "qid:/q?render=cmyk"},
      {{"qid", "1", "u", "t", "1", ""}, "qid:/q?colour=1"},    // unknown setting
  };
  for (const Call& c : calls) {
    BackendRequest r;
    std::string error;
    EXPECT_FALSE(Parse(c, &r, &error)) << (c.uri ? c.uri : "(no uri)");
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace qid::cups
