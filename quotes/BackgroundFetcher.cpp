#include "quotes/BackgroundFetcher.h"

#include <QMetaObject>
#include <QThread>
#include <utility>

namespace Quotes {

BackgroundFetcher::BackgroundFetcher(Transfer transfer) : m_transfer(std::move(transfer)) {}

BackgroundFetcher::~BackgroundFetcher()
{
    for (auto& [ticket, job] : m_jobs)
        job.cancelled->store(true);
    for (auto& [ticket, job] : m_jobs) {
        if (job.thread.joinable())
            job.thread.join();
    }
    // Results posted by the threads go with m_context.
}

FetchTicket BackgroundFetcher::Fetch(const FetchRequest& request, FetchContinuation done)
{
    Q_ASSERT(QThread::currentThread() == m_context.thread());
    const FetchTicket ticket = ++m_lastTicket;
    Job& job = m_jobs[ticket];
    job.cancelled = std::make_shared<std::atomic<bool>>(false);
    job.done = std::move(done);
    job.held = request;
    const auto cancelled = job.cancelled;
    job.held.options.cancelled = [cancelled] { return cancelled->load(); };
    if (!m_holding)
        Start(ticket, job);
    return ticket;
}

void BackgroundFetcher::Start(FetchTicket ticket, Job& job)
{
    job.thread = std::thread([this, ticket, own = std::exchange(job.held, {})] {
        FetchResult result = m_transfer(own.url, own.access, own.options);
        if (!own.options.cancelled())
            Prepare(own, result);
        QMetaObject::invokeMethod(
            &m_context, [this, ticket, result = std::move(result)] { Finished(ticket, result); },
            Qt::QueuedConnection);
    });
}

void BackgroundFetcher::Hold()
{
    m_holding = true;
}

void BackgroundFetcher::Release()
{
    Q_ASSERT(QThread::currentThread() == m_context.thread());
    if (!std::exchange(m_holding, false))
        return;
    for (auto found = m_jobs.begin(); found != m_jobs.end();) {
        Job& job = found->second;
        if (job.thread.joinable()) {
            ++found;
        } else if (job.cancelled->load()) {
            found = m_jobs.erase(found); // cancelled while held: it never runs
        } else {
            Start(found->first, job);
            ++found;
        }
    }
}

void BackgroundFetcher::Cancel(FetchTicket ticket)
{
    Q_ASSERT(QThread::currentThread() == m_context.thread());
    const auto found = m_jobs.find(ticket);
    if (found == m_jobs.end())
        return;
    found->second.cancelled->store(true);
    found->second.done = nullptr;
}

void BackgroundFetcher::Finished(FetchTicket ticket, const FetchResult& result)
{
    const auto found = m_jobs.find(ticket);
    if (found == m_jobs.end())
        return;
    // The thread's last step was to post this: it ends at once.
    found->second.thread.join();
    const FetchContinuation done = std::move(found->second.done);
    const bool cancelled = found->second.cancelled->load();
    m_jobs.erase(found);
    if (done && !cancelled)
        done(result);
}

} // namespace Quotes
