#pragma once
// One fetch as the program asks for it: an address, an access type and the bounds of the
// transfer; its result goes to a continuation. Callers describe what they want and say what
// happens with the answer; the fetcher decides how and when the transfer runs.

#include "quotes/HttpClient.h"

#include <cstdint>
#include <functional>
#include <string>

namespace Quotes {

struct FetchRequest
{
    std::string url;
    AccessType access = INTERNET_OPEN_TYPE_PRECONFIG;
    DownloadOptions options; // attempts, time-outs, bounds, piece handling
};

using FetchContinuation = std::function<void(const FetchResult& result)>;

// Names one fetch for Cancel; NoFetch names none.
using FetchTicket = std::uint64_t;
inline constexpr FetchTicket NoFetch = 0;

class Fetcher
{
public:
    virtual ~Fetcher() = default;
    // Runs the request and calls `done` with its result exactly once, unless the fetch is
    // cancelled first. The request's piece callback may run on another thread than the caller's
    // (see the fetcher); the continuation always runs on the caller's.
    virtual FetchTicket Fetch(const FetchRequest& request, FetchContinuation done) = 0;
    // Ends the fetch as soon as it can; its continuation is never called. A ticket of a fetch
    // that has ended, or NoFetch, is ignored.
    virtual void Cancel(FetchTicket ticket) = 0;
};

// Fetches on the caller's thread and calls the continuation before it returns (NoFetch).
class BlockingFetcher : public Fetcher
{
public:
    FetchTicket Fetch(const FetchRequest& request, FetchContinuation done) override;
    void Cancel(FetchTicket) override {}
};

} // namespace Quotes
