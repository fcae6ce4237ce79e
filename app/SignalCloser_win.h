#pragma once
// What a close request without a window looks like on Windows. Declared without <windows.h>.

namespace App::Win32 {

// Whether `message` (a MSG) is WM_CLOSE posted to the thread rather than to a window: what
// taskkill without /F and QProcess::terminate send after their WM_CLOSE to the top-level
// windows, and all that reaches a program whose windows are not native ones.
bool IsThreadCloseMessage(const void* message);

} // namespace App::Win32
