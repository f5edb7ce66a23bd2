// Driver file names as the system resolves them. A name in another spelling ("a.dat.",
// "a.dat ", the short name "A~1.DAT") opens the same file as its plain name, so the shared-file
// check and the deletion go by what a name opens, and a name that opens a folder is never
// taken for a file.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "remover/remover.h"

namespace qid {

// The folders a driver's files are deleted from: its driver folder and, except on the 9x
// family, the version subfolder in it.
std::vector<std::string> DriverFolders(const DriverRecord& record, int os_kind);

// The bare name as the system reads it, trailing dots and blanks dropped; "" for a name that
// is no file name: one holding a folder separator, a drive, a wildcard or a control
// character, or nothing but dots and blanks ("..", "...", ".. ").
std::string BareFileName(const std::string& name);

// The full path (long names) that `name` opens in `folder`. False when it opens no file of
// that folder: the name is no bare file name, or it resolves to a folder or elsewhere.
bool ResolveFileIn(FileSystem& files, const std::string& folder, const std::string& name,
                   std::string* path);

// Every name, lower-cased, under which the driver's file `name` opens a file: its bare name and
// what it resolves to in each of the driver's folders. Two names open the same file when their
// lists meet.
std::vector<std::string> FileIdentities(FileSystem& files, const DriverRecord& record,
                                        int os_kind, const std::string& name);

}  // namespace qid
