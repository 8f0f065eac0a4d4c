#include "framework/FileException.h"

#include <utility>

#include "base/ResourceIds.h"

namespace {

// The platform's error codes and the kind of file failure each one is reported as; anything not
// listed is an unspecified error.
constexpr std::pair<unsigned long, CFileException::Cause> kOsErrorCauses[] = {
    {0, CFileException::none},
    {2, CFileException::fileNotFound},        // ERROR_FILE_NOT_FOUND
    {3, CFileException::badPath},             // ERROR_PATH_NOT_FOUND
    {4, CFileException::tooManyOpenFiles},    // ERROR_TOO_MANY_OPEN_FILES
    {5, CFileException::accessDenied},        // ERROR_ACCESS_DENIED
    {6, CFileException::fileNotFound},        // ERROR_INVALID_HANDLE
    {11, CFileException::invalidFile},        // ERROR_BAD_FORMAT
    {12, CFileException::accessDenied},       // ERROR_INVALID_ACCESS
    {15, CFileException::badPath},            // ERROR_INVALID_DRIVE
    {16, CFileException::removeCurrentDir},   // ERROR_CURRENT_DIRECTORY
    {17, CFileException::badPath},            // ERROR_NOT_SAME_DEVICE
    {18, CFileException::fileNotFound},       // ERROR_NO_MORE_FILES
    {19, CFileException::accessDenied},       // ERROR_WRITE_PROTECT
    {20, CFileException::hardIO},             // ERROR_BAD_UNIT
    {21, CFileException::hardIO},             // ERROR_NOT_READY
    {22, CFileException::hardIO},             // ERROR_BAD_COMMAND
    {23, CFileException::hardIO},             // ERROR_CRC
    {24, CFileException::badSeek},            // ERROR_BAD_LENGTH
    {25, CFileException::badSeek},            // ERROR_SEEK
    {26, CFileException::invalidFile},        // ERROR_NOT_DOS_DISK
    {27, CFileException::badSeek},            // ERROR_SECTOR_NOT_FOUND
    {29, CFileException::accessDenied},       // ERROR_WRITE_FAULT
    {30, CFileException::badSeek},            // ERROR_READ_FAULT
    {32, CFileException::sharingViolation},   // ERROR_SHARING_VIOLATION
    {33, CFileException::lockViolation},      // ERROR_LOCK_VIOLATION
    {34, CFileException::badPath},            // ERROR_WRONG_DISK
    {36, CFileException::tooManyOpenFiles},   // ERROR_SHARING_BUFFER_EXCEEDED
    {38, CFileException::endOfFile},          // ERROR_HANDLE_EOF
    {39, CFileException::diskFull},           // ERROR_HANDLE_DISK_FULL
    {53, CFileException::badPath},            // ERROR_BAD_NETPATH
    {55, CFileException::badPath},            // ERROR_DEV_NOT_EXIST
    {57, CFileException::hardIO},             // ERROR_ADAP_HDW_ERR
    {59, CFileException::hardIO},             // ERROR_UNEXP_NET_ERR
    {62, CFileException::directoryFull},      // ERROR_NO_SPOOL_SPACE
    {64, CFileException::accessDenied},       // ERROR_NETNAME_DELETED
    {65, CFileException::accessDenied},       // ERROR_NETWORK_ACCESS_DENIED
    {67, CFileException::badPath},            // ERROR_BAD_NET_NAME
    {80, CFileException::accessDenied},       // ERROR_FILE_EXISTS
    {82, CFileException::accessDenied},       // ERROR_CANNOT_MAKE
    {88, CFileException::hardIO},             // ERROR_NET_WRITE_FAULT
    {108, CFileException::lockViolation},     // ERROR_DRIVE_LOCKED
    {112, CFileException::diskFull},          // ERROR_DISK_FULL
    {113, CFileException::tooManyOpenFiles},  // ERROR_NO_MORE_SEARCH_HANDLES
    {123, CFileException::badPath},           // ERROR_INVALID_NAME
    {131, CFileException::badSeek},           // ERROR_NEGATIVE_SEEK
    {132, CFileException::badSeek},           // ERROR_SEEK_ON_DEVICE
    {145, CFileException::removeCurrentDir},  // ERROR_DIR_NOT_EMPTY
    {161, CFileException::badPath},           // ERROR_BAD_PATHNAME
    {167, CFileException::lockViolation},     // ERROR_LOCK_FAILED
    {183, CFileException::accessDenied},      // ERROR_ALREADY_EXISTS
    {206, CFileException::badPath},           // ERROR_FILENAME_EXCED_RANGE
    {267, CFileException::badPath},           // ERROR_DIRECTORY
    {995, CFileException::hardIO},            // ERROR_OPERATION_ABORTED
};


}  // namespace

CFileException::Cause CFileException::OsErrorToCause(unsigned long osError)
{
    for (const auto& [code, cause] : kOsErrorCauses) {
        if (code == osError)
            return cause;
    }
    return genericException;
}

void CFileException::ThrowOsError(unsigned long osError, const WideString& fileName)
{
    throw CFileException(OsErrorToCause(osError), fileName);
}

WideString CFileException::GetErrorMessage(const IResources& resources) const
{
    // The texts' identifiers follow the causes' order.
    WideString text = resources.LoadString(IDP_FILE_NONE + m_cause);
    text.Replace(u"%1", m_strFileName);
    return text;
}
