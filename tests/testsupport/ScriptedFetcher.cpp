#include "testsupport/ScriptedFetcher.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>

namespace TestSupport {

namespace {

// Takes the request with `ticket` out of `waiting`; false when it is not there.
template <typename Queue>
bool Take(Queue& waiting, Quotes::FetchTicket ticket, typename Queue::value_type* taken = nullptr)
{
    const auto found = std::find_if(waiting.begin(), waiting.end(),
                                    [ticket](const auto& fetch) { return fetch.ticket == ticket; });
    if (found == waiting.end())
        return false;
    if (taken)
        *taken = std::move(*found);
    waiting.erase(found);
    return true;
}

} // namespace

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
    const Quotes::FetchTicket ticket = ++m_lastTicket;
    if (m_holding) {
        m_held.push_back({ticket, std::move(done), request.prepare});
        return ticket;
    }
    m_pending.push_back({ticket, std::move(done), request.prepare});
    QMetaObject::invokeMethod(
        &m_context, [this, ticket] { Deliver(ticket); }, Qt::QueuedConnection);
    return ticket;
}

void ScriptedFetcher::Deliver(Quotes::FetchTicket ticket)
{
    Waiting fetch;
    if (!Take(m_pending, ticket, &fetch)) // cancelled meanwhile
        return;
    Respond(fetch);
}

void ScriptedFetcher::Respond(Waiting& fetch)
{
    Quotes::FetchResult result = Next();
    if (fetch.prepare)
        result.prepared = fetch.prepare(result);
    if (fetch.done)
        fetch.done(result);
}

void ScriptedFetcher::Settle()
{
    while (!m_pending.empty())
        QCoreApplication::sendPostedEvents(&m_context, QEvent::MetaCall);
}

void ScriptedFetcher::Cancel(Quotes::FetchTicket ticket)
{
    if (Take(m_held, ticket) || Take(m_pending, ticket))
        ++m_cancelled;
}

bool ScriptedFetcher::Release()
{
    if (m_held.empty())
        return false;
    Waiting fetch = std::move(m_held.front());
    m_held.pop_front();
    Respond(fetch);
    return true;
}

} // namespace TestSupport
