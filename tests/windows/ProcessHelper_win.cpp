// A process for the tests to find and end, or to start as an installer. It ends by itself
// after a minute, so that a failed run leaves nothing behind for long. Started with
// KOERSZICHT_TEST_ARGUMENTS_FILE in its environment, it writes its arguments there, one per
// line, as it received them, and ends at once.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>

int main(int argc, char* argv[])
{
    wchar_t file[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"KOERSZICHT_TEST_ARGUMENTS_FILE", file, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        Sleep(60000);
        return 3;
    }
    FILE* out = _wfopen(file, L"wb");
    if (out == nullptr)
        return 1;
    for (int i = 1; i < argc; ++i)
        std::fprintf(out, "%s\n", argv[i]);
    return std::fclose(out) == 0 ? 0 : 1;
}
