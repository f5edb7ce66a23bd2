#include <memory>
#include <utility>

#include "tests/contract/contract.h"

namespace qid::contract {
namespace {

std::string ReadAll(FileSystem& fs, const std::string& path) {
  std::unique_ptr<File> f;
  if (fs.OpenFile(path, FileAccess::kRead, FileDisposition::kOpenExisting, FileShare::kRead,
                  &f) != kSuccess)
    return "<cannot open>";
  std::string bytes;
  if (ReadWholeFile(*f, &bytes) != kSuccess) return "<cannot read>";
  return bytes;
}

void WriteAll(FileSystem& fs, const std::string& path, const std::string& bytes) {
  std::unique_ptr<File> f;
  if (fs.OpenFile(path, FileAccess::kWrite, FileDisposition::kCreateAlways, FileShare::kNone,
                  &f) == kSuccess)
    f->Write(bytes.data(), bytes.size());
}

void FolderAndOpenChecks(FileSystem& fs, const std::string& dir, Reporter& r) {
  const std::string a = dir + "\\a.bin";
  ExpectCode(r, "files: CreateFolder", kSuccess, fs.CreateFolder(dir));
  ExpectCode(r, "files: CreateFolder of an existing folder", kErrAlreadyExists,
             fs.CreateFolder(dir));
  ExpectCode(r, "files: CreateFolder under a missing folder", kErrPathNotFound,
             fs.CreateFolder(dir + "\\no\\such"));
  r.Check(fs.FileExists(dir), "files: FileExists of a folder", "");
  std::unique_ptr<File> f;
  ExpectCode(r, "files: OpenExisting of a missing file", kErrFileNotFound,
             fs.OpenFile(a, FileAccess::kRead, FileDisposition::kOpenExisting, FileShare::kRead,
                         &f));
  ExpectCode(r, "files: a file in a missing folder", kErrPathNotFound,
             fs.OpenFile(dir + "\\no\\x.bin", FileAccess::kWrite,
                         FileDisposition::kCreateAlways, FileShare::kNone, &f));
  ExpectCode(r, "files: an empty path", kErrInvalidName,
             fs.OpenFile("", FileAccess::kRead, FileDisposition::kOpenExisting,
                         FileShare::kRead, &f));
  // Other spellings of one name, as the system resolves them.
  const std::pair<std::string, std::string> spellings[] = {
      {dir + "\\x.bin. .", dir + "\\x.bin"},
      {dir + "\\no\\..\\.\\x.bin", dir + "\\x.bin"},
      {dir + "\\...", dir + "\\"},
      {dir + "\\.. ", dir + "\\"},
  };
  for (const auto& [path, resolved] : spellings) {
    std::string got;
    ExpectCode(r, "files: ResolvePath " + path, kSuccess, fs.ResolvePath(path, &got));
    ExpectText(r, "files: ... resolves to", resolved, got);
  }
}

void ReadWriteChecks(FileSystem& fs, const std::string& dir, Reporter& r) {
  const std::string a = dir + "\\a.bin";
  std::unique_ptr<File> f;
  ExpectCode(r, "files: CreateNew", kSuccess,
             fs.OpenFile(a, FileAccess::kReadWrite, FileDisposition::kCreateNew,
                         FileShare::kNone, &f));
  if (!f) return;
  ExpectCode(r, "files: Write", kSuccess, f->Write("0123456789", 10));
  r.Check(f->Tell() == 10, "files: Tell after a write", std::to_string(f->Tell()));
  char buf[100];
  size_t got = 0;
  f->Seek(2);
  f->Read(buf, 4, &got);
  ExpectText(r, "files: Seek then Read", "2345", std::string(buf, got));
  ExpectCode(r, "files: a read past the end", kSuccess, f->Read(buf, sizeof buf, &got));
  r.Check(got == 4, "files: ... gets what is left", std::to_string(got));
  f->Read(buf, sizeof buf, &got);
  r.Check(got == 0, "files: a read at the end gets nothing", std::to_string(got));
  uint64_t size = 0;
  f->Size(&size);
  r.Check(size == 10, "files: Size", std::to_string(size));

  f->Seek(7);
  ExpectCode(r, "files: Truncate", kSuccess, f->Truncate(4));
  f->Size(&size);
  r.Check(size == 4, "files: ... cuts the file", std::to_string(size));
  r.Check(f->Tell() == 7, "files: ... and keeps the position", std::to_string(f->Tell()));
  f->Seek(1000);
  f->Write("!", 1);
  f->Size(&size);
  r.Check(size == 1001, "files: a write past the end extends the file", std::to_string(size));

  // Positions and sizes past 4 GiB need the high words of the 32-bit calls.
  const uint64_t five_gib = 5ull << 30;
  ExpectCode(r, "files: Seek past 4 GiB", kSuccess, f->Seek(five_gib));
  r.Check(f->Tell() == five_gib, "files: Tell past 4 GiB", std::to_string(f->Tell()));
  const uint64_t past_four = (4ull << 30) + 5;
  f->Seek(0);
  ExpectCode(r, "files: Truncate past 4 GiB (sparse)", kSuccess, f->Truncate(past_four));
  f->Size(&size);
  r.Check(size == past_four, "files: Size past 4 GiB", std::to_string(size));
  f->Truncate(0);
  ExpectCode(r, "files: Flush", kSuccess, f->Flush());
  ExpectCode(r, "files: Close", kSuccess, f->Close());
  ExpectCode(r, "files: Read after Close", kErrInvalidHandle, f->Read(buf, 1, &got));
  ExpectCode(r, "files: Close twice", kErrInvalidHandle, f->Close());
  ExpectCode(r, "files: CreateNew of an existing file", kErrFileExists,
             fs.OpenFile(a, FileAccess::kWrite, FileDisposition::kCreateNew, FileShare::kNone,
                         &f));

  WriteAll(fs, a, "first");
  fs.OpenFile(a, FileAccess::kRead, FileDisposition::kOpenExisting, FileShare::kRead, &f);
  if (f) {
    ExpectCode(r, "files: Write on a handle opened for reading", kErrAccessDenied,
               f->Write("x", 1));
    ExpectCode(r, "files: Truncate on a handle opened for reading", kErrAccessDenied,
               f->Truncate(0));
    ExpectCode(r, "files: Flush on a handle opened for reading", kSuccess, f->Flush());
  }
  f.reset();
  fs.OpenFile(a, FileAccess::kWrite, FileDisposition::kOpenExisting, FileShare::kNone, &f);
  if (f) {
    ExpectCode(r, "files: Read on a handle opened for writing", kErrAccessDenied,
               f->Read(buf, 1, &got));
  }
  f.reset();
}

void WholeFileChecks(FileSystem& fs, const std::string& dir, Reporter& r) {
  const std::string a = dir + "\\a.bin", b = dir + "\\b.bin", c = dir + "\\c.bin";
  std::unique_ptr<File> f;
  fs.OpenFile(a, FileAccess::kWrite, FileDisposition::kCreateAlways, FileShare::kNone, &f);
  f.reset();
  ExpectText(r, "files: CreateAlways empties an existing file", "", ReadAll(fs, a));
  ExpectCode(r, "files: OpenAlways creates a missing file", kSuccess,
             fs.OpenFile(c, FileAccess::kWrite, FileDisposition::kOpenAlways, FileShare::kNone,
                         &f));
  f.reset();
  r.Check(fs.FileExists(c), "files: ... which then exists", "");

  WriteAll(fs, a, "source bytes");
  ExpectCode(r, "files: CopyFileTo a new file", kSuccess, fs.CopyFileTo(a, b, true));
  ExpectText(r, "files: ... copies the bytes", "source bytes", ReadAll(fs, b));
  ExpectCode(r, "files: CopyFileTo refuses an existing file when asked", kErrFileExists,
             fs.CopyFileTo(a, c, true));
  ExpectCode(r, "files: CopyFileTo replaces otherwise", kSuccess, fs.CopyFileTo(a, c, false));
  ExpectText(r, "files: ... with the new bytes", "source bytes", ReadAll(fs, c));
  ExpectCode(r, "files: CopyFileTo from a missing file", kErrFileNotFound,
             fs.CopyFileTo(dir + "\\none", b, false));

  WriteAll(fs, b, "renamed");
  ExpectCode(r, "files: RenameFile onto an existing file", kSuccess, fs.RenameFile(b, c));
  ExpectText(r, "files: ... replaces it", "renamed", ReadAll(fs, c));
  r.Check(!fs.FileExists(b), "files: ... and the old name is gone", "");
  ExpectCode(r, "files: RenameFile of a missing file", kErrFileNotFound, fs.RenameFile(b, c));

  ExpectCode(r, "files: RemoveFile", kSuccess, fs.RemoveFile(c));
  ExpectCode(r, "files: RemoveFile of a missing file", kErrFileNotFound, fs.RemoveFile(c));
  r.Check(!fs.FileExists(c), "files: FileExists of a removed file", "");
  fs.RemoveFile(a);
}

}  // namespace

void FileContract(FileSystem& fs, const std::string& dir, Reporter& r) {
  FolderAndOpenChecks(fs, dir, r);
  ReadWriteChecks(fs, dir, r);
  WholeFileChecks(fs, dir, r);
}

void FileNameCaseContract(FileSystem& fs, const std::string& dir, Reporter& r) {
  const std::string a = dir + "\\Case.bin";
  WriteAll(fs, a, "first");
  r.Check(fs.FileExists(dir + "\\CASE.BIN"), "files: names ignore letter case", "");
  WriteAll(fs, dir + "\\case.BIN", "second");
  ExpectText(r, "files: ... so another spelling opens the same file", "second", ReadAll(fs, a));
  fs.RemoveFile(a);
}

void FileSharingContract(FileSystem& fs, const std::string& dir, Reporter& r) {
  const std::string a = dir + "\\shared.bin";
  std::unique_ptr<File> f, other;
  fs.OpenFile(a, FileAccess::kReadWrite, FileDisposition::kCreateAlways, FileShare::kNone, &f);
  ExpectCode(r, "files: a file opened without sharing refuses a second opener",
             kErrSharingViolation,
             fs.OpenFile(a, FileAccess::kRead, FileDisposition::kOpenExisting,
                         FileShare::kReadWrite, &other));
  f.reset();
  other.reset();
  ExpectCode(r, "files: open for reading", kSuccess,
             fs.OpenFile(a, FileAccess::kRead, FileDisposition::kOpenExisting, FileShare::kRead,
                         &f));
  ExpectCode(r, "files: a shared reader may open it too", kSuccess,
             fs.OpenFile(a, FileAccess::kRead, FileDisposition::kOpenExisting, FileShare::kRead,
                         &other));
  other.reset();
  ExpectCode(r, "files: a writer may not while reading is all that is shared",
             kErrSharingViolation,
             fs.OpenFile(a, FileAccess::kWrite, FileDisposition::kOpenExisting,
                         FileShare::kReadWrite, &other));
  f.reset();
  other.reset();
  fs.RemoveFile(a);
}

}  // namespace qid::contract
