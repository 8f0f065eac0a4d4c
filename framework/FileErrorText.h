// The file-error box's text: one text per kind of failure, chosen by the system's error code,
// with "%1" replaced by the file's path.
#pragma once

#include "base/FileError.h"
#include "base/WideString.h"
#include "platform/Resources.h"

WideString GetFileErrorText(const IResources& resources, const FileError& error);
