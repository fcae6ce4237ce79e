#pragma once
// A library opened while the program runs rather than by the loader before `main`: the network
// and signature libraries pull in some two dozen others whose loading and relocation took a
// fifth of the start-up, for work that comes later and off the window's thread.
// Its users keep a table of function pointers, each with the type of the function it stands
// for, filled once on first use; where the build links the library itself (the Windows build)
// the table is filled from the linked functions.

#include <QLibrary>

namespace Support {

// Sets `function` to the library's `symbol`; false when the library has no such symbol.
template <class Function> bool Resolve(QLibrary& library, Function& function, const char* symbol)
{
    function = reinterpret_cast<Function>(library.resolve(symbol));
    return function != nullptr;
}

// Opens the library with the file name the system gives `name` in its `major` version
// ("curl", 4: libcurl.so.4) and keeps it open for the rest of the run. False when it cannot.
inline bool OpenLibrary(QLibrary& library, const char* name, int major)
{
    library.setFileNameAndVersion(QString::fromLatin1(name), major);
    return library.load();
}

} // namespace Support
