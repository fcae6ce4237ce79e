#include "testsupport/ScriptedFetcher.h"

namespace TestSupport {

void ScriptedFetcher::Answer(const std::string& body, Quotes::FetchEnding ending)
{
    Quotes::FetchResult result;
    result.body = body;
    result.ending = ending;
    result.status = body.empty() ? 0 : 200;
    Answer(result);
}

void ScriptedFetcher::Answer(const Quotes::FetchResult& result)
{
    m_script.push_back(result);
}

Quotes::FetchResult ScriptedFetcher::Next()
{
    if (m_script.empty())
        return {};
    Quotes::FetchResult result = m_script.front();
    m_script.pop_front();
    return result;
}

Quotes::FetchTicket ScriptedFetcher::Fetch(const Quotes::FetchRequest& request,
                                           Quotes::FetchContinuation done)
{
    m_requests.push_back(request);
    if (m_holding) {
        m_held.push_back({++m_lastTicket, std::move(done)});
        return m_lastTicket;
    }
    const Quotes::FetchResult result = Next();
    if (done)
        done(result);
    return Quotes::NoFetch;
}

void ScriptedFetcher::Cancel(Quotes::FetchTicket ticket)
{
    const auto held = std::find_if(m_held.begin(), m_held.end(),
                                   [ticket](const HeldFetch& fetch) { return fetch.ticket == ticket; });
    if (held == m_held.end())
        return;
    m_held.erase(held);
    ++m_cancelled;
}

bool ScriptedFetcher::Release()
{
    if (m_held.empty())
        return false;
    Quotes::FetchContinuation done = std::move(m_held.front().done);
    m_held.pop_front();
    const Quotes::FetchResult result = Next();
    if (done)
        done(result);
    return true;
}

} // namespace TestSupport
