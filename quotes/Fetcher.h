#pragma once
// One fetch as the program asks for it: an address, an access type and the bounds of the
// transfer; its result goes to a continuation. Callers describe what they want and say what
// happens with the answer; the fetcher decides how the transfer runs.
//
// A request may say how its answer is read (prepare): the fetcher does that before the
// continuation, off the asking thread where it can.
//
// Every fetcher keeps one order: Fetch and Cancel are called on one thread, and the
// continuation runs on that thread, through its event loop, never before Fetch has returned.
// A caller can therefore keep the ticket before its answer comes, and sees the same sequence
// in the tests as in the program.

#include "quotes/HttpClient.h"

#include <any>
#include <cstdint>
#include <functional>
#include <string>

namespace Quotes {

struct FetchRequest
{
    std::string url;
    AccessType access = INTERNET_OPEN_TYPE_PRECONFIG;
    DownloadOptions options; // attempts, time-outs, bounds, piece handling
    // Reads the answer where it was fetched, once the transfer has ended and before the
    // continuation, so that a large answer never holds up the thread that asked. It runs on
    // the fetch's thread: it may use only what it holds (copies, or data no thread changes
    // meanwhile). Its value reaches the continuation as FetchResult::prepared.
    std::function<std::any(const FetchResult& result)> prepare;
};

// What every fetcher does with an ended fetch before its continuation: the request's prepare.
inline void Prepare(const FetchRequest& request, FetchResult& result)
{
    if (request.prepare)
        result.prepared = request.prepare(result);
}

using FetchContinuation = std::function<void(const FetchResult& result)>;

// Names one fetch for Cancel; NoFetch names none.
using FetchTicket = std::uint64_t;
inline constexpr FetchTicket NoFetch = 0;

class Fetcher
{
public:
    virtual ~Fetcher() = default;
    // Starts the request and returns its ticket; `done` is called with its result exactly
    // once, later, unless the fetch is cancelled first. The request's piece callback may run on
    // another thread than the caller's (see the fetcher).
    virtual FetchTicket Fetch(const FetchRequest& request, FetchContinuation done) = 0;
    // Ends the fetch as soon as it can; its continuation is never called. A ticket of a fetch
    // that has ended, or NoFetch, is ignored.
    virtual void Cancel(FetchTicket ticket) = 0;
};

} // namespace Quotes
