#include "framework/FileErrorText.h"

#include <utility>

#include "base/ResourceIds.h"

namespace {

// The kinds of file failure, each with its own text; the order gives the texts' identifiers.
enum Cause {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile,
};

// The platform's error codes and the kind of file failure each one is reported as; anything not
// listed is an unspecified error.
constexpr std::pair<unsigned long, Cause> kOsErrorCauses[] = {
    {0, none},
    {2, fileNotFound},      // ERROR_FILE_NOT_FOUND
    {3, badPath},           // ERROR_PATH_NOT_FOUND
    {4, tooManyOpenFiles},  // ERROR_TOO_MANY_OPEN_FILES
    {5, accessDenied},      // ERROR_ACCESS_DENIED
    {6, fileNotFound},      // ERROR_INVALID_HANDLE
    {11, invalidFile},      // ERROR_BAD_FORMAT
    {12, accessDenied},     // ERROR_INVALID_ACCESS
    {15, badPath},          // ERROR_INVALID_DRIVE
    {16, removeCurrentDir}, // ERROR_CURRENT_DIRECTORY
    {17, badPath},          // ERROR_NOT_SAME_DEVICE
    {18, fileNotFound},     // ERROR_NO_MORE_FILES
    {19, accessDenied},     // ERROR_WRITE_PROTECT
    {20, hardIO},           // ERROR_BAD_UNIT
    {21, hardIO},           // ERROR_NOT_READY
    {22, hardIO},           // ERROR_BAD_COMMAND
    {23, hardIO},           // ERROR_CRC
    {24, badSeek},          // ERROR_BAD_LENGTH
    {25, badSeek},          // ERROR_SEEK
    {26, invalidFile},      // ERROR_NOT_DOS_DISK
    {27, badSeek},          // ERROR_SECTOR_NOT_FOUND
    {29, accessDenied},     // ERROR_WRITE_FAULT
    {30, badSeek},          // ERROR_READ_FAULT
    {32, sharingViolation}, // ERROR_SHARING_VIOLATION
    {33, lockViolation},    // ERROR_LOCK_VIOLATION
    {34, badPath},          // ERROR_WRONG_DISK
    {36, tooManyOpenFiles}, // ERROR_SHARING_BUFFER_EXCEEDED
    {38, endOfFile},        // ERROR_HANDLE_EOF
    {39, diskFull},         // ERROR_HANDLE_DISK_FULL
    {53, badPath},          // ERROR_BAD_NETPATH
    {55, badPath},          // ERROR_DEV_NOT_EXIST
    {57, hardIO},           // ERROR_ADAP_HDW_ERR
    {59, hardIO},           // ERROR_UNEXP_NET_ERR
    {62, directoryFull},    // ERROR_NO_SPOOL_SPACE
    {64, accessDenied},     // ERROR_NETNAME_DELETED
    {65, accessDenied},     // ERROR_NETWORK_ACCESS_DENIED
    {67, badPath},          // ERROR_BAD_NET_NAME
    {80, accessDenied},     // ERROR_FILE_EXISTS
    {82, accessDenied},     // ERROR_CANNOT_MAKE
    {88, hardIO},           // ERROR_NET_WRITE_FAULT
    {108, lockViolation},   // ERROR_DRIVE_LOCKED
    {112, diskFull},        // ERROR_DISK_FULL
    {113, tooManyOpenFiles},// ERROR_NO_MORE_SEARCH_HANDLES
    {123, badPath},         // ERROR_INVALID_NAME
    {131, badSeek},         // ERROR_NEGATIVE_SEEK
    {132, badSeek},         // ERROR_SEEK_ON_DEVICE
    {145, removeCurrentDir},// ERROR_DIR_NOT_EMPTY
    {161, badPath},         // ERROR_BAD_PATHNAME
    {167, lockViolation},   // ERROR_LOCK_FAILED
    {183, accessDenied},    // ERROR_ALREADY_EXISTS
    {206, badPath},         // ERROR_FILENAME_EXCED_RANGE
    {267, badPath},         // ERROR_DIRECTORY
    {995, hardIO},          // ERROR_OPERATION_ABORTED
};

Cause OsErrorToCause(unsigned long osError)
{
    for (const auto& [code, cause] : kOsErrorCauses) {
        if (code == osError)
            return cause;
    }
    return genericException;
}

}  // namespace

WideString GetFileErrorText(const IResources& resources, const FileError& error)
{
    // The texts' identifiers follow the causes' order.
    WideString text = resources.LoadString(IDP_FILE_NONE + OsErrorToCause(error.osError));
    text.Replace(u"%1", error.path);
    return text;
}
