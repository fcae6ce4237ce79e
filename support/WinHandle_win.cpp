#include "support/WinHandle_win.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <utility>

namespace Support::Win32 {

WinHandle::WinHandle(void* handle) : m_handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}

WinHandle::~WinHandle()
{
    Close();
}

WinHandle::WinHandle(WinHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}

WinHandle& WinHandle::operator=(WinHandle&& other) noexcept
{
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, nullptr);
    }
    return *this;
}

void WinHandle::Close()
{
    if (m_handle != nullptr)
        CloseHandle(std::exchange(m_handle, nullptr));
}

void* WinHandle::Release()
{
    return std::exchange(m_handle, nullptr);
}

} // namespace Support::Win32
