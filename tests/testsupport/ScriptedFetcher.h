#pragma once
// A fetcher for tests: answers each request from a script instead of the network (read by the
// request's prepare, on the test's thread), and keeps the requests it was given. Like the program's fetcher
// it never answers before Fetch returns: an answer comes through the event loop of the thread that asked
// (Settle delivers those waiting), or, for a request held back, when the test releases it.

#include "quotes/Fetcher.h"

#include <QObject>
#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace TestSupport {

class ScriptedFetcher : public Quotes::Fetcher
{
public:
    // Answers in order of delivery; when the script is empty, a request gets an empty result
    // (no connection). An answer is taken from the script when it is delivered, not when asked.
    void Answer(const std::string& body, Quotes::FetchEnding ending = Quotes::FetchEnding::Complete);
    void Answer(const Quotes::FetchResult& result);
    // Requests asked from now on wait until Release (in arrival order) instead of going to the
    // event loop; for a test that looks at what happens while a fetch runs.
    void SetHolding(bool holding) { m_holding = holding; }
    // Answers the oldest held request from the script, at once; false when none is held.
    bool Release();
    int Held() const { return static_cast<int>(m_held.size()); }
    // Delivers the answers waiting in the event loop, and those of the requests they lead to
    // (the next source of a chain), until none waits; held requests stay held. Nothing else
    // of the event loop runs: timers and paints wait for the test's own waiting.
    void Settle();
    // Calls `ask` with `arguments` as std::invoke does (a member function takes its object
    // first): what starts the fetches, such as loading or a download; then settles.
    template <typename Ask, typename... Arguments> void Settle(Ask&& ask, Arguments&&... arguments)
    {
        std::invoke(std::forward<Ask>(ask), std::forward<Arguments>(arguments)...);
        Settle();
    }

    const std::vector<Quotes::FetchRequest>& Requests() const { return m_requests; }

    // Every request gets a ticket of its own: 1, 2, ...
    Quotes::FetchTicket Fetch(const Quotes::FetchRequest& request, Quotes::FetchContinuation done) override;
    // A held or pending request is dropped without an answer (and without taking one from the
    // script), and counted.
    void Cancel(Quotes::FetchTicket ticket) override;
    int Cancelled() const { return m_cancelled; }

private:
    struct Waiting
    {
        Quotes::FetchTicket ticket;
        Quotes::FetchContinuation done;
        std::function<std::any(const Quotes::FetchResult&)> prepare;
    };
    Quotes::FetchResult Next();
    // The next answer of the script, read by the request's prepare, to its continuation.
    void Respond(Waiting& fetch);
    void Deliver(Quotes::FetchTicket ticket);

    QObject m_context; // answers are posted to it, on the thread that made the fetcher
    std::deque<Quotes::FetchResult> m_script;
    std::deque<Waiting> m_held;
    std::deque<Waiting> m_pending;
    Quotes::FetchTicket m_lastTicket = Quotes::NoFetch;
    int m_cancelled = 0;
    std::vector<Quotes::FetchRequest> m_requests;
    bool m_holding = false;
};

} // namespace TestSupport
