// The one error the system raises rather than returns: a file that failed to be read or written
// after it was opened. The dialog reports it in a stop-icon message box naming the file.
#pragma once

#include "base/WideString.h"
#include "platform/Resources.h"

class CFileException {
public:
    // The kinds of failure, each with its own text; the order gives the texts' identifiers.
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

    CFileException(Cause cause, WideString fileName) : m_cause(cause), m_strFileName(std::move(fileName)) {}

    static Cause OsErrorToCause(unsigned long osError);
    [[noreturn]] static void ThrowOsError(unsigned long osError, const WideString& fileName);

    // The text of the cause in the user's language with "%1" replaced by the file's name.
    WideString GetErrorMessage(const IResources& resources) const;

private:
    Cause m_cause;
    WideString m_strFileName;
};
