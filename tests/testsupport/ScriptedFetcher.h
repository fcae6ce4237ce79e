#pragma once
// A fetcher for tests: answers each request from a script instead of the network, and keeps
// the requests it was given. An answer may be held back until the test releases it.

#include "quotes/Fetcher.h"

#include <algorithm>
#include <deque>
#include <vector>

namespace TestSupport {

class ScriptedFetcher : public Quotes::Fetcher
{
public:
    // Answers in order; when the script is empty, a request gets an empty result (no connection).
    void Answer(const std::string& body, Quotes::FetchEnding ending = Quotes::FetchEnding::Complete);
    void Answer(const Quotes::FetchResult& result);
    // Requests wait until Release (in arrival order) instead of being answered at once.
    void SetHolding(bool holding) { m_holding = holding; }
    // Answers the oldest held request from the script; false when none is held.
    bool Release();
    int Held() const { return static_cast<int>(m_held.size()); }

    const std::vector<Quotes::FetchRequest>& Requests() const { return m_requests; }

    // Held requests get tickets 1, 2, ...; answered ones NoFetch.
    Quotes::FetchTicket Fetch(const Quotes::FetchRequest& request, Quotes::FetchContinuation done) override;
    // A held request is dropped without an answer (and without taking one from the script).
    void Cancel(Quotes::FetchTicket ticket) override;
    int Cancelled() const { return m_cancelled; }

private:
    struct HeldFetch
    {
        Quotes::FetchTicket ticket;
        Quotes::FetchContinuation done;
    };
    Quotes::FetchResult Next();

    std::deque<Quotes::FetchResult> m_script;
    std::deque<HeldFetch> m_held;
    Quotes::FetchTicket m_lastTicket = Quotes::NoFetch;
    int m_cancelled = 0;
    std::vector<Quotes::FetchRequest> m_requests;
    bool m_holding = false;
};

} // namespace TestSupport
