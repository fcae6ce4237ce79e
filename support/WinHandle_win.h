#pragma once
// Owns a Windows kernel handle (process, file, snapshot) and closes it when it goes out of
// scope, so that every path through the platform code closes what it opened. Declared
// without <windows.h> so that Qt code can hold one without the Windows macros.

namespace Support::Win32 {

class WinHandle
{
public:
    WinHandle() = default;
    // Takes ownership. Both failure values of the API (null and INVALID_HANDLE_VALUE) give
    // an empty handle.
    explicit WinHandle(void* handle);
    ~WinHandle();
    WinHandle(WinHandle&& other) noexcept;
    WinHandle& operator=(WinHandle&& other) noexcept;
    WinHandle(const WinHandle&) = delete;
    WinHandle& operator=(const WinHandle&) = delete;

    void* Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    // Closes the handle now; the object is empty afterwards.
    void Close();
    // Gives the handle up without closing it.
    void* Release();

private:
    void* m_handle = nullptr;
};

} // namespace Support::Win32
