// A process for the test program to find and end. It ends by itself after a minute, so
// that a failed run leaves nothing behind for long.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

int main()
{
    Sleep(60000);
    return 3;
}
