// How a job's results reach their names without harm to anything else: the Output Directory
// exists before the first result, a result is written beside its name and moved onto it only
// once complete, an existing file is replaced only when the settings or the user say so, and
// one job at a time names and writes its results (the job lock).
#pragma once

#include <memory>
#include <string>

namespace qid {

struct WriterContext;
class File;
class FileSystem;

// Creates the Output Directory and any missing parents (each traced). False (traced) when a
// folder cannot be created; the job then reports the file it cannot create.
bool EnsureOutputFolder(WriterContext& ctx);

// Creates a fresh, empty file in the folder of `target` for writing a result that replaces
// the target only once it is complete: *temp names it. False when none can be created.
bool CreateBeside(FileSystem& files, const std::string& target, std::string* temp);

// Moves the complete file `temp` onto `target`, replacing it. On failure the temp is removed
// and the target is as it was. The system's error code.
uint32_t MoveIntoPlace(FileSystem& files, const std::string& temp, const std::string& target);

// May the result replace an existing `target`? True when there is none or Always Overwrite is
// set; otherwise the user is asked with the overwrite box (a question too long for its
// buffer is not asked and counts as No).
bool MayReplace(WriterContext& ctx, const std::string& target);

// True (traced) when `path` names one of the job's own files, which no result may replace: the
// job file (deleted at the end, with the result), the done marker (emptied at the end) and the
// job lock. Compared as Windows compares names.
bool IsJobOwnFile(WriterContext& ctx, const std::string& path);

// Waits until no other job of this user is naming or writing results, and holds that until
// the returned lock is released (or the process ends). The lock file "QIDJOBS.LCK" lives in
// the user's own folder (SystemInfo::UserDataFolder), whatever TMP each job has; else in the
// "TMP" folder, else in the job file's folder. Null (traced) when none can hold it: the job
// then runs unguarded, as before the lock existed. Its path goes to ctx.job.lock_path.
std::unique_ptr<File> LockJobs(WriterContext& ctx);

}  // namespace qid
