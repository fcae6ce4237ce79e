#pragma once
// A library opened while the program runs rather than by the loader before `main` (Linux): the
// network and signature libraries pull in some two dozen others whose loading and relocation
// took a fifth of the start-up, for work that comes later and off the window's thread. Their
// users keep a table of function pointers, each with the type of the function it stands for,
// filled once on first use; the Windows build links the libraries and fills the tables from them.
//
// The system's loader is called directly, not through QLibrary: the libraries are opened on
// worker threads, some before the application object exists, where a QObject must not be made.

#include <dlfcn.h>

namespace Support {

// Opens the library file `name` ("libcurl.so.4") for the rest of the run; nullptr when it
// cannot, and then LibraryError() says why.
inline void* OpenLibrary(const char* name)
{
    return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

inline const char* LibraryError()
{
    const char* error = dlerror();
    return error ? error : "unknown error";
}

// Sets `function` to the library's `symbol` (RTLD_DEFAULT: any library the program has loaded);
// false when there is no such symbol.
template <class Function> bool Resolve(void* library, Function& function, const char* symbol)
{
    function = reinterpret_cast<Function>(dlsym(library, symbol));
    return function != nullptr;
}

} // namespace Support
