// The program's message boxes: the application name as caption, and the default icon for a type
// that names none.
#pragma once

#include "base/WideString.h"
#include "platform/Platform.h"

// The executable's file name without folder and extension: the caption of every box, and the
// name of the single-instance mutex.
WideString GetAppName(IAppServices& app);

// A type that names no icon gets the exclamation icon for OK and OK/Cancel, the question icon
// for Yes/No and Yes/No/Cancel. The answer is the button pressed.
int ShowMessageBox(Platform& platform, WindowHandle owner, const WideString& text, unsigned type);
