#pragma once
// One fetch as the program asks for it: an address, an access type and the bounds of the
// transfer; its result goes to a continuation. Callers describe what they want and say what
// happens with the answer; the fetcher decides how and when the transfer runs.

#include "quotes/HttpClient.h"

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

class Fetcher
{
public:
    virtual ~Fetcher() = default;
    // Runs the request and calls `done` with its result exactly once.
    virtual void Fetch(const FetchRequest& request, FetchContinuation done) = 0;
};

// Fetches on the caller's thread and calls the continuation before it returns.
class BlockingFetcher : public Fetcher
{
public:
    void Fetch(const FetchRequest& request, FetchContinuation done) override;
};

} // namespace Quotes
