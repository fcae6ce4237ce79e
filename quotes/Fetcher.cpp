#include "quotes/Fetcher.h"

namespace Quotes {

FetchTicket BlockingFetcher::Fetch(const FetchRequest& request, FetchContinuation done)
{
    const FetchResult result = Quotes::Fetch(request.url, request.access, request.options);
    if (done)
        done(result);
    return NoFetch;
}

} // namespace Quotes
