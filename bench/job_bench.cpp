// A Document job's copy of a 100 MB job file against a plain read and write of the same bytes,
// in the same run (see bench/README.md).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "imagewriter/job.h"
#include "imagewriter/writer_context.h"
#include "tests/support/test_platform.h"
#include "tests/support/imaging/tiff_fixture.h"

namespace {

using qid::testing::TestPlatform;

constexpr size_t kJobBytes = 100u << 20;

std::string BigJob() {
  // One page of 100 MB of pixels: the copy does not look inside.
  qid::testing::GreyPage page;
  page.width = 10240;
  page.height = static_cast<uint32_t>(kJobBytes / page.width);
  return qid::testing::MakeDocumentJob(3, qid::testing::MakeTiff({page}), false);
}

void WriteAll(const std::string& path, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  size_t done = 0;
  while (done < bytes.size()) done += ::write(fd, bytes.data() + done, bytes.size() - done);
  ::close(fd);
}

void BM_PlainReadWrite(benchmark::State& state) {
  TestPlatform tp;
  std::string from = tp.root.path() + "/job", to = tp.root.path() + "/copy";
  WriteAll(from, BigJob());
  std::vector<char> buf(1 << 20);
  for (auto _ : state) {
    state.PauseTiming();
    ::unlink(to.c_str());  // the job replaces its target too: both write a new file
    state.ResumeTiming();
    int in = ::open(from.c_str(), O_RDONLY);
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ssize_t n;
    while ((n = ::read(in, buf.data(), buf.size())) > 0) ::write(out, buf.data(), n);
    ::close(in);
    ::close(out);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kJobBytes));
}
BENCHMARK(BM_PlainReadWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DocumentJobCopy(benchmark::State& state) {
  TestPlatform tp;
  qid::RegistryKeyNode* key =
      tp.registry.hive(qid::Hive::kCurrentUser).Create(qid::kSettingsKeyPath, " ", nullptr);
  key->SetValue("Disable Dialog", qid::kRegDword, {1, 0, 0, 0});
  key->SetValue("AutoGenerate", qid::kRegDword, {0, 0, 0, 0});
  tp.environment.vars_["TMP"] = "C:\\tmp";
  std::filesystem::create_directories(tp.HostPath("C:\\ZEL"));
  std::filesystem::create_directories(tp.HostPath("C:\\tmp"));
  std::string job = BigJob();
  std::string job_host = tp.HostPath("C:\\spool\\job.tif");
  std::filesystem::create_directories(tp.HostPath("C:\\spool"));
  for (auto _ : state) {
    state.PauseTiming();
    WriteAll(job_host, job);
    ::unlink(tp.HostPath("C:\\ZEL\\TEST.TIF").c_str());  // a new target, as the baseline's
    qid::WriterContext ctx(tp.platform());
    state.ResumeTiming();
    qid::RunJob(ctx, "C:\\spool\\job.tif", qid::JobHooks{});
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kJobBytes));
}
BENCHMARK(BM_DocumentJobCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
