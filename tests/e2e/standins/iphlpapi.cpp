// A library of the adapter list's name, as a download could plant it beside the program: it lists
// no adapter at all, so a program that loaded it would show "Error". The session has Wine prefer
// a native copy of this library where one is found.
#include <windows.h>

extern "C" __declspec(dllexport) ULONG WINAPI GetAdaptersAddresses(ULONG, ULONG, void*, void*, ULONG*)
{
    return ERROR_NO_DATA;
}
