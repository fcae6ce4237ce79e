#pragma once
// One blocking HTTP(S) fetch with a few attempts. The empty text is the only failure signal.

#include <functional>
#include <string>
#include <string_view>

namespace Quotes {

// The access types of the fetch: the system's proxy settings, or none.
enum AccessType { INTERNET_OPEN_TYPE_PRECONFIG = 0, INTERNET_OPEN_TYPE_DIRECT = 1 };

inline constexpr const char* UserAgent = "Delphi Function: Download";

struct DownloadOptions
{
    int attempts = 3;              // stop at the first attempt that gives a non-empty body
    int receiveTimeoutMs = 2000;   // a stall of this long ends the attempt; what was read stays
    int connectTimeoutMs = 2000;   // bound of the connection phase, name lookup included
    bool cutPiecesAtZero = true;   // each 2048-byte piece is cut at its first zero byte
    bool keepBody = true;          // false: pieces go only to onPiece (large downloads)
    // Called with every piece as it arrives (after the cut); return false to stop the transfer.
    std::function<bool(std::string_view piece)> onPiece;
};

// Fetches `url` and returns its body; the empty text when no attempt gave anything.
std::string DownloadPage(const std::string& url, AccessType access, const DownloadOptions& options = {});

} // namespace Quotes
