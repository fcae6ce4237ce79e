#pragma once
// One blocking HTTP(S) fetch with a few attempts; it blocks the thread that runs it, so the
// program runs it through a fetcher (quotes/Fetcher.h). For pages the empty text is the failure
// signal; a download that must arrive whole asks how the fetch ended.

#include <any>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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
    std::string userAgent = UserAgent;
    std::vector<std::string> headers; // extra request headers, "Name: value"
    int attempts = 3;                 // stop at the first attempt that gives a non-empty body
    int receiveTimeoutMs = 2000;      // a stall of this long ends the attempt; what was read stays
    int connectTimeoutMs = 2000;      // bound of the connection phase, name lookup included
    bool cutPiecesAtZero = true;      // each 2048-byte piece is cut at its first zero byte
    bool keepBody = true;             // false: pieces go only to onPiece (large downloads)
    // Delivery (kept or handed on) stops at this many bytes; what arrived stays, as after a
    // time-out, and the fetch ends as TooLong when the server had more. 0 for no bound.
    std::size_t maxBodyBytes = std::size_t{16} << 20;
    // An answer with a status of 400 or more hands on nothing (an error page is not the file).
    bool refuseHttpErrors = false;
    // A redirect to another host than the address's own is not followed: the request to the
    // other host is never sent.
    bool stayOnHost = false;
    // Bound of the whole fetch, all attempts together; 0 for none. A server that trickles
    // its answer never stalls, so only this ends it. What was read stays.
    int totalTimeoutMs = 0;
    // Called with every piece as it arrives (after the cut); return false to stop the transfer.
    std::function<bool(std::string_view piece)> onPiece;
    // Asked at least every 50 ms while the fetch runs, from the fetching thread; true ends the
    // fetch at once as Cancelled. A name lookup still running is abandoned, not waited for.
    std::function<bool()> cancelled;
};

// How a fetch ended, judged by its last attempt.
enum class FetchEnding
{
    Complete,   // the whole answer arrived, as long as announced (status below 400, or errors allowed)
    Incomplete, // no connection, a time-out, or the transfer ended before its announced length
    HttpError,  // refused: a status of 400 or more
    OtherHost,  // refused: a redirect to another host
    TooLong,    // more than maxBodyBytes arrived
    Stopped,    // the piece callback asked to stop
    Cancelled,  // the cancel question said so
};

struct FetchResult
{
    std::string body; // as DownloadPage returns it
    long status = 0;  // the last HTTP status seen; 0 when none arrived
    FetchEnding ending = FetchEnding::Incomplete;
    std::string retryAfter; // the last answer's Retry-After header, as sent; empty without one
    std::any prepared;      // what the request's prepare made of it (quotes/Fetcher.h)
};

FetchResult Fetch(const std::string& url, AccessType access, const DownloadOptions& options = {});

// The host part of an address, in small letters; empty when it has none.
std::string HostOf(const std::string& url);

// Fetches `url` and returns its body; the empty text when no attempt gave anything. With
// keepBody off the result is always empty, and an attempt that handed on any byte ends the
// attempts. Only http and https addresses are fetched; redirects are followed.
std::string DownloadPage(const std::string& url, AccessType access, const DownloadOptions& options = {});

} // namespace Quotes
