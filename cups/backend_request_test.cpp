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

TEST(BackendRequest, RenderingFromTheJobUnlessTheUriFixesIt) {
  struct Case {
    const char* options;
    const char* uri;
    Rendering expected;
  } cases[] = {
      {"", "qid:/q", Rendering::kFax},
      {"media=a4 print-color-mode=monochrome", "qid:/q", Rendering::kGray},
      {"print-color-mode='bi-level' x", "qid:/q", Rendering::kFax},
      {"print-color-mode=color", "qid:/q?render=gray", Rendering::kGray},
      {"print-color-mode=sepia", "qid:/q", Rendering::kFax},
      {"qid-jpeg", "qid:/q", Rendering::kGray},
      {"qid-jpeg=true print-color-mode=color", "qid:/q", Rendering::kRgb},
  };
  for (const Case& c : cases) {
    BackendRequest r;
    std::string error;
    ASSERT_TRUE(Parse({{"qid", "1", "u", "t", "1", c.options}, c.uri}, &r, &error)) << error;
    EXPECT_EQ(c.expected, r.rendering) << c.options << " " << c.uri;
    EXPECT_EQ(std::string(c.options).find("qid-jpeg") != std::string::npos, r.jpeg_pages);
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
