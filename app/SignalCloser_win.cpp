#include "app/SignalCloser_win.h"

#include <windows.h>

namespace App::Win32 {

bool IsThreadCloseMessage(const void* message)
{
    const auto* msg = static_cast<const MSG*>(message);
    return msg != nullptr && msg->hwnd == nullptr && msg->message == WM_CLOSE;
}

} // namespace App::Win32
