#pragma once
// One blocking HTTP(S) fetch with a few attempts. The empty text is the only failure signal.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace Quotes {

// The access types of the fetch: the system's proxy settings, or none.
enum AccessType
{
    INTERNET_OPEN_TYPE_PRECONFIG = 0,
    INTERNET_OPEN_TYPE_DIRECT = 1
};

inline constexpr const char* UserAgent = "Delphi Function: Download";

struct DownloadOptions
{
    int attempts = 3;            // stop at the first attempt that gives a non-empty body
    int receiveTimeoutMs = 2000; // a stall of this long ends the attempt; what was read stays
    int connectTimeoutMs = 2000; // bound of the connection phase, name lookup included
    bool cutPiecesAtZero = true; // each 2048-byte piece is cut at its first zero byte
    bool keepBody = true;        // false: pieces go only to onPiece (large downloads)
    // A kept body stops growing here; what arrived stays, as after a time-out.
    std::size_t maxBodyBytes = std::size_t{16} << 20;
    // Bound of the whole fetch, all attempts together; 0 for none. A server that trickles
    // its answer never stalls, so only this ends it. What was read stays.
    int totalTimeoutMs = 0;
    // Called with every piece as it arrives (after the cut); return false to stop the transfer.
    std::function<bool(std::string_view piece)> onPiece;
};

// Fetches `url` and returns its body; the empty text when no attempt gave anything. With
// keepBody off the result is always empty, and an attempt that handed on any byte ends the
// attempts. Only http and https addresses are fetched; redirects are followed.
std::string DownloadPage(const std::string& url, AccessType access, const DownloadOptions& options = {});

} // namespace Quotes
