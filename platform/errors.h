// Results of platform calls are Win32 error codes on every OS, because the product branches on
// them. The host layer maps errno onto these.
#pragma once

#include <cstdint>

namespace qid {

using ErrorCode = uint32_t;

constexpr ErrorCode kSuccess = 0;               // ERROR_SUCCESS
constexpr ErrorCode kErrInvalidFunction = 1;    // ERROR_INVALID_FUNCTION
constexpr ErrorCode kErrFileNotFound = 2;       // ERROR_FILE_NOT_FOUND
constexpr ErrorCode kErrPathNotFound = 3;       // ERROR_PATH_NOT_FOUND
constexpr ErrorCode kErrAccessDenied = 5;       // ERROR_ACCESS_DENIED
constexpr ErrorCode kErrInvalidHandle = 6;      // ERROR_INVALID_HANDLE
constexpr ErrorCode kErrNotEnoughMemory = 8;    // ERROR_NOT_ENOUGH_MEMORY
constexpr ErrorCode kErrWriteFault = 29;        // ERROR_WRITE_FAULT
constexpr ErrorCode kErrReadFault = 30;         // ERROR_READ_FAULT
constexpr ErrorCode kErrGenFailure = 31;        // ERROR_GEN_FAILURE
constexpr ErrorCode kErrSharingViolation = 32;  // ERROR_SHARING_VIOLATION
constexpr ErrorCode kErrLockViolation = 33;     // ERROR_LOCK_VIOLATION
constexpr ErrorCode kErrHandleEof = 38;         // ERROR_HANDLE_EOF
constexpr ErrorCode kErrNotSupported = 50;      // ERROR_NOT_SUPPORTED
constexpr ErrorCode kErrFileExists = 80;        // ERROR_FILE_EXISTS
constexpr ErrorCode kErrInvalidParameter = 87;  // ERROR_INVALID_PARAMETER
constexpr ErrorCode kErrDiskFull = 112;         // ERROR_DISK_FULL
constexpr ErrorCode kErrInsufficientBuffer = 122;  // ERROR_INSUFFICIENT_BUFFER
constexpr ErrorCode kErrInvalidName = 123;      // ERROR_INVALID_NAME
constexpr ErrorCode kErrProcNotFound = 127;     // ERROR_PROC_NOT_FOUND (a call this system lacks)
constexpr ErrorCode kErrAlreadyExists = 183;    // ERROR_ALREADY_EXISTS
constexpr ErrorCode kErrEnvVarNotFound = 203;   // ERROR_ENVVAR_NOT_FOUND
constexpr ErrorCode kErrFilenameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE
constexpr ErrorCode kErrMoreData = 234;         // ERROR_MORE_DATA
constexpr ErrorCode kErrWaitTimeout = 258;      // WAIT_TIMEOUT
constexpr ErrorCode kErrNoMoreItems = 259;      // ERROR_NO_MORE_ITEMS
constexpr ErrorCode kErrBadRegistryFile = 1009; // ERROR_BADDB (a damaged hive)
constexpr ErrorCode kErrKeyDeleted = 1018;     // ERROR_KEY_DELETED
constexpr ErrorCode kErrNotAllAssigned = 1300;  // ERROR_NOT_ALL_ASSIGNED (a privilege not held)
constexpr ErrorCode kErrUnknownPort = 1796;            // ERROR_UNKNOWN_PORT
constexpr ErrorCode kErrUnknownPrinterDriver = 1797;   // ERROR_UNKNOWN_PRINTER_DRIVER
constexpr ErrorCode kErrUnknownPrintProcessor = 1798;  // ERROR_UNKNOWN_PRINTPROCESSOR
constexpr ErrorCode kErrInvalidPrinterName = 1801;     // ERROR_INVALID_PRINTER_NAME
constexpr ErrorCode kErrPrinterAlreadyExists = 1802;   // ERROR_PRINTER_ALREADY_EXISTS
constexpr ErrorCode kErrInvalidEnvironment = 1805;     // ERROR_INVALID_ENVIRONMENT

}  // namespace qid
