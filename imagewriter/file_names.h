// Windows' rules for file names, as pure string work: when two paths name one file, which
// names are devices, and how a name taken from a title, a prefix or Output File is kept inside
// its folder. The product decides these questions as Windows does on every build, so a name
// that is safe on Windows is also what the host writes.
#pragma once

#include <string>

namespace qid {

// True when Windows takes both paths for the same file: letter case ignored, "/" and "\"
// alike, repeated separators and "." components ignored, ".." applied, trailing dots and
// blanks of each name dropped; two device names (NUL.tif, nul) are the same device.
bool SameFileName(const std::string& a, const std::string& b);

// True when the file name (the last path component) opens a device on Windows: CON, PRN, AUX,
// NUL, COM1-COM9, LPT1-LPT9, CONIN$, CONOUT$, CLOCK$, whatever its extension and letter case.
bool IsDeviceName(const std::string& path);

// A name part that becomes one file of a folder: only the text after its last "\" or "/"
// stays, characters a file name cannot hold (controls and : * ? " < > |) become "_", and a
// name of dots and blanks alone becomes as many "_". Other names are returned unchanged.
std::string ContainedFileName(const std::string& part);

// Puts "_" before the path's last component when that names a device; true when it did.
bool AvoidDeviceName(std::string* path);

}  // namespace qid
