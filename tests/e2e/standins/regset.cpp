// Stand-in for the separate registry tool: records how it was started and changes nothing.
// Its verb cannot be seen from inside; what it records is its own path, its command line and
// the folder it was started in, one line each, appended to C:\tolvex-e2e\regset.log (UTF-8).
// The copy built with TOLVEX_PLANTED_COPY adds a line "planted": it stands for a file of the
// same name that someone put into the folder the program was started from.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const wchar_t* text)
{
    char buffer[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof(buffer), nullptr, nullptr);
    return buffer;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    CreateDirectoryW(L"C:\\tolvex-e2e", nullptr);
    if (FILE* log = _wfopen(L"C:\\tolvex-e2e\\regset.log", L"ab")) {
        std::fprintf(log, "path=%s\ncommand=%s\ncwd=%s\n", Utf8(self).c_str(), Utf8(GetCommandLineW()).c_str(),
                     Utf8(folder).c_str());
#ifdef TOLVEX_PLANTED_COPY
        std::fprintf(log, "planted\n");
#endif
        std::fclose(log);
    }
    return 0;
}
