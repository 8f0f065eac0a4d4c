// A failure of the phonebook that the user is told of: the system's error code and the file's
// path. The dialog shows it in the file-error box, its text chosen by the code.
#pragma once

#include "base/WideString.h"

struct FileError {
    unsigned long osError = 0;
    WideString path;
    friend bool operator==(const FileError&, const FileError&) = default;
};
