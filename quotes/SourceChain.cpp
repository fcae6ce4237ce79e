#include "quotes/SourceChain.h"

#include "support/Clock.h"
#include "support/Trace.h"

#include <QMetaObject>
#include <QThread>
#include <utility>

namespace Quotes {

SourceChain::SourceChain(Fetcher& fetcher, SourceCooldowns& cooldowns)
    : m_fetcher(fetcher), m_cooldowns(cooldowns)
{
}

SourceChain::~SourceChain()
{
    Cancel();
}

void SourceChain::Run(std::vector<SourceDefinition> sources, Purpose purpose, Finished finished)
{
    Q_ASSERT(QThread::currentThread() == m_context.thread());
    if (m_running)
        return;
    m_running = true;
    ++m_run;
    m_sources = std::move(sources);
    m_next = 0;
    m_purpose = std::move(purpose);
    m_finished = std::move(finished);
    m_outcome = {};
    m_starting = true;
    Next();
    m_starting = false;
}

void SourceChain::Cancel()
{
    if (m_ticket != NoFetch)
        m_fetcher.Cancel(std::exchange(m_ticket, NoFetch));
    m_running = false;
    m_finished = nullptr;
    ++m_run;
}

void SourceChain::Next()
{
    const QDateTime now = Support::Clock::Now();
    while (m_next < m_sources.size()) {
        const SourceDefinition source = m_sources[m_next++];
        const std::string lead = m_purpose.trace + " - bron " + source.name;
        if (const QDateTime until = m_cooldowns.RestingUntil(source.name, now); until.isValid()) {
            ++m_outcome.resting;
            Support::WriteTrace(lead + " rust tot " +
                                until.toString(QStringLiteral("dd-MM-yyyy HH:mm")).toStdString());
            continue;
        }
        const std::optional<FetchRequest> request = m_purpose.request(source);
        if (!request) {
            Support::WriteTrace(lead + " overgeslagen: soort '" + source.kindText + "' of adres onbruikbaar");
            qWarning("Source %s skipped: kind '%s' unknown or its address cannot be filled in",
                     source.name.c_str(), source.kindText.c_str());
            continue;
        }
        ++m_outcome.asked;
        m_ticket = m_fetcher.Fetch(*request, [this, source](const FetchResult& fetched) {
            m_ticket = NoFetch;
            Answered(source, fetched);
        });
        return;
    }
    if (!m_starting) {
        Finish();
        return;
    }
    // Nothing to ask at all: the end still comes through the event loop, after Run.
    QMetaObject::invokeMethod(
        &m_context,
        [this, run = m_run] {
            if (run == m_run)
                Finish();
        },
        Qt::QueuedConnection);
}

void SourceChain::Answered(const SourceDefinition& source, const FetchResult& fetched)
{
    Q_ASSERT(QThread::currentThread() == m_context.thread());
    const std::string lead = m_purpose.trace + " - " + m_purpose.what + " van " + source.name + ": ";
    if (IsRefusal(source.kind, fetched)) {
        ++m_outcome.refused;
        const QDateTime until = m_cooldowns.Refused(source.name, Support::Clock::Now(), fetched.retryAfter);
        Support::WriteTrace(lead + "geweigerd (HTTP " + std::to_string(fetched.status) + "), rust tot " +
                            until.toString(QStringLiteral("dd-MM-yyyy HH:mm")).toStdString());
        qWarning("Source %s refused (HTTP %ld); not asked again before %s", source.name.c_str(),
                 fetched.status, qUtf8Printable(until.toString(Qt::ISODate)));
        Next();
        return;
    }
    const AnswerUse use = m_purpose.read(source, fetched);
    Support::WriteTrace(lead + use.why);
    if (!use.taken) {
        Next();
        return;
    }
    m_cooldowns.Answered(source.name);
    m_outcome.source = source.name;
    Finish();
}

void SourceChain::Finish()
{
    m_running = false;
    const Finished finished = std::exchange(m_finished, nullptr);
    const Outcome outcome = m_outcome;
    if (finished)
        finished(outcome);
}

} // namespace Quotes
