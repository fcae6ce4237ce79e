#pragma once
// The program's fetcher: every fetch runs the HTTP client on a thread of its own, so the
// window's thread never waits for the network; the result is handed to the continuation on
// the thread that asked, through its event loop. The piece callback and the prepare of a request
// run on the fetch's thread.

#include "quotes/Fetcher.h"

#include <QObject>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <thread>

namespace Quotes {

class BackgroundFetcher : public Fetcher
{
public:
    // The transfer a fetch runs on its thread; the network's, unless a benchmark or test brings
    // answers of its own.
    using Transfer =
        std::function<FetchResult(const std::string& url, AccessType access, const DownloadOptions& options)>;
    explicit BackgroundFetcher(Transfer transfer = Quotes::Fetch);
    // Cancels every fetch still running and waits for its thread: the client notices a
    // cancel within its poll interval, and a name lookup that hangs is left behind.
    ~BackgroundFetcher() override;
    BackgroundFetcher(const BackgroundFetcher&) = delete;
    BackgroundFetcher& operator=(const BackgroundFetcher&) = delete;

    FetchTicket Fetch(const FetchRequest& request, FetchContinuation done) override;
    void Cancel(FetchTicket ticket) override;
    // Fetches asked while the fetcher is held wait, and start on Release() in the order they were
    // asked: the program holds its first fetches until its window is on the screen, so that the
    // network library is not loaded while the window is made.
    void Hold();
    void Release();
    // Fetches started and not yet handed to their continuation (cancelled ones until their
    // thread has ended).
    int Running() const { return static_cast<int>(m_jobs.size()); }

private:
    struct Job
    {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> cancelled;
        FetchContinuation done;
        FetchRequest held; // the request until its thread starts
    };
    void Start(FetchTicket ticket, Job& job);
    void Finished(FetchTicket ticket, const FetchResult& result);

    Transfer m_transfer;
    QObject m_context; // results are posted to it, on the thread that made the fetcher
    std::map<FetchTicket, Job> m_jobs;
    FetchTicket m_lastTicket = NoFetch;
    bool m_holding = false;
};

} // namespace Quotes
