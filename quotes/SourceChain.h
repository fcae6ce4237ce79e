#pragma once
// The sources of one purpose (the quote, or the closes of the back-fill) asked in their order:
// each source's request is built, a source that cannot be asked or that rests is passed over,
// the answer is fetched and read, and the next source is tried until one answer is taken. A
// source that refuses (IsRefusal) rests (SourceCooldowns) and the next one serves meanwhile.
// The chain lives on one thread: Run, Cancel and the end of a run all happen on it, the end
// always through its event loop, never before Run returns.

#include "quotes/Fetcher.h"
#include "quotes/QuoteSources.h"
#include "quotes/SourceCooldowns.h"

#include <QObject>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Quotes {

// What a purpose made of one source's answer.
struct AnswerUse
{
    bool taken = false; // the answer gave what the purpose needs: the run ends
    std::string why;    // a few Dutch words for the trace: what was read, or what was wrong
};

class SourceChain
{
public:
    struct Purpose
    {
        std::string trace; // the trace lines' lead: "<trace> - <what> van <source>: <why>"
        std::string what;
        // The request of a source; nothing when its kind serves another purpose or its address
        // cannot be filled in.
        std::function<std::optional<FetchRequest>(const SourceDefinition&)> request;
        std::function<AnswerUse(const SourceDefinition&, const FetchResult&)> read;
    };
    struct Outcome
    {
        std::string source; // whose answer was taken; empty when none was
        int asked = 0;      // sources fetched in this run
        int refused = 0;    // of those, the ones that refused
        int resting = 0;    // sources passed over because they rest
    };
    using Finished = std::function<void(const Outcome& outcome)>;

    SourceChain(Fetcher& fetcher, SourceCooldowns& cooldowns);
    // A fetch still running is cancelled.
    ~SourceChain();
    SourceChain(const SourceChain&) = delete;
    SourceChain& operator=(const SourceChain&) = delete;

    // Asks `sources` in their order for `purpose`; `finished` follows once, unless the run is
    // cancelled. Ignored while a run is on.
    void Run(std::vector<SourceDefinition> sources, Purpose purpose, Finished finished);
    bool Running() const { return m_running; }
    // Ends the run: its fetch is cancelled and `finished` never comes.
    void Cancel();

private:
    void Next();
    void Answered(const SourceDefinition& source, const FetchResult& fetched);
    void Finish();

    Fetcher& m_fetcher;
    SourceCooldowns& m_cooldowns;
    QObject m_context; // the end of a run without a fetch is posted to it
    bool m_running = false;
    bool m_starting = false; // inside Run: an end found now is posted
    FetchTicket m_ticket = NoFetch;
    std::vector<SourceDefinition> m_sources;
    std::size_t m_next = 0;
    Purpose m_purpose;
    Finished m_finished;
    Outcome m_outcome;
    unsigned m_run = 0; // names the run, so that a posted end of a cancelled one is dropped
};

} // namespace Quotes
