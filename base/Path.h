// The parts of a path the programs take apart: its folder and its file name.
#pragma once

#include "base/WideString.h"

// The folder, with its final separator ("C:\a\" of "C:\a\b.pbk"); empty when the path names none.
inline WideString FolderOf(const WideString& path)
{
    return WideString(path.view().substr(0, path.view().find_last_of(u"\\/") + 1));
}

// What follows the folder ("b.pbk" of "C:\a\b.pbk").
inline WideString FileNameOf(const WideString& path)
{
    return WideString(path.view().substr(FolderOf(path).Length()));
}
