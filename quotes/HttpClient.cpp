#include "quotes/HttpClient.h"

#include "quotes/CurlFunctions.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

namespace Quotes {

namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t PieceSize = 2048;
constexpr long MaxRedirects = 10;

// libcurl's functions; only called once Curl() has given them (Fetch and HostOf check).
const CurlFunctions& Lib()
{
    return *Curl();
}

struct EasyDeleter
{
    void operator()(CURL* handle) const { Lib().easyCleanup(handle); }
};
struct ListDeleter
{
    void operator()(curl_slist* list) const { Lib().slistFreeAll(list); }
};
struct UrlDeleter
{
    void operator()(CURLU* url) const { Lib().urlCleanup(url); }
};

long ResponseCode(CURL* handle)
{
    long status = 0;
    Lib().easyGetinfo(handle, CURLINFO_RESPONSE_CODE, &status);
    return status;
}

// One attempt: gathers the body in pieces of 2048 bytes and watches for a stalled transfer.
class Transfer
{
public:
    Transfer(CURL* handle, const std::string& host, const DownloadOptions& options, std::string& body)
        : m_handle(handle), m_host(host), m_options(options), m_body(body)
    {
    }

    static size_t OnBody(char* data, size_t size, size_t count, void* self)
    {
        return static_cast<Transfer*>(self)->Receive(data, size * count);
    }
    static size_t OnHeader(char*, size_t size, size_t count, void* self)
    {
        static_cast<Transfer*>(self)->m_lastActivity = SteadyClock::now();
        return size * count;
    }
    // Runs once the connection of every request stands (a followed redirect's too), before the
    // request is sent; from then on the receive time-out counts.
    static int OnConnected(void* self, char*, char*, int, int)
    {
        auto* transfer = static_cast<Transfer*>(self);
        transfer->m_connected = true;
        transfer->m_lastActivity = SteadyClock::now();
        if (transfer->m_options.stayOnHost && !transfer->OnOwnHost()) {
            transfer->m_otherHost = true;
            return CURL_PREREQFUNC_ABORT;
        }
        return CURL_PREREQFUNC_OK;
    }

    // Hands on what is left in the buffer when the transfer ends, however it ended.
    void Finish()
    {
        if (m_filled > 0 && !m_stopped)
            DeliverPiece();
    }

    bool Stopped() const { return m_stopped; }
    bool Stalled() const
    {
        if (!m_connected || m_options.receiveTimeoutMs <= 0)
            return false;
        return SteadyClock::now() - m_lastActivity >= std::chrono::milliseconds(m_options.receiveTimeoutMs);
    }
    std::size_t Delivered() const { return m_delivered; }
    bool OtherHost() const { return m_otherHost; }
    bool HttpError() const { return m_httpError; }
    bool TooLong() const { return m_tooLong; }

private:
    bool OnOwnHost() const
    {
        const char* current = nullptr;
        if (Lib().easyGetinfo(m_handle, CURLINFO_EFFECTIVE_URL, &current) != CURLE_OK || !current)
            return false;
        return HostOf(current) == m_host;
    }

    size_t Receive(const char* data, size_t length)
    {
        m_lastActivity = SteadyClock::now();
        if (m_options.refuseHttpErrors && ResponseCode(m_handle) >= 400) {
            m_httpError = true;
            return 0;
        }
        size_t used = 0;
        while (used < length) {
            const size_t take = std::min(length - used, PieceSize - m_filled);
            std::copy_n(data + used, take, m_buffer.data() + m_filled);
            m_filled += take;
            used += take;
            if (m_filled == PieceSize && !DeliverPiece())
                return 0; // makes libcurl end the transfer
        }
        return length;
    }

    bool DeliverPiece()
    {
        std::string_view piece(m_buffer.data(), m_filled);
        if (m_options.cutPiecesAtZero)
            piece = piece.substr(0, piece.find('\0'));
        m_filled = 0;
        const std::size_t bound = m_options.maxBodyBytes;
        if (bound > 0 && piece.size() > bound - m_delivered) {
            piece = piece.substr(0, bound - m_delivered);
            m_tooLong = true;
        }
        m_delivered += piece.size();
        if (m_options.keepBody)
            m_body.append(piece);
        if (m_options.onPiece && !piece.empty() && !m_options.onPiece(piece)) {
            m_stopped = true;
            return false;
        }
        if (m_tooLong) {
            m_stopped = true;
            return false;
        }
        return true;
    }

    CURL* m_handle;
    const std::string& m_host;
    const DownloadOptions& m_options;
    std::string& m_body;
    std::array<char, PieceSize> m_buffer{};
    std::size_t m_filled = 0;
    std::size_t m_delivered = 0;
    bool m_connected = false;
    bool m_stopped = false;
    bool m_otherHost = false;
    bool m_httpError = false;
    bool m_tooLong = false;
    SteadyClock::time_point m_lastActivity = SteadyClock::now();
};

struct MultiDeleter
{
    void operator()(CURLM* multi) const { Lib().multiCleanup(multi); }
};

// Drives the transfer itself so that a stall is noticed within a poll interval of the
// receive time-out: libcurl's low-speed limit reacts only after several seconds and its
// progress callback may come a second late. What arrived before an error or a time-out
// stays; true only when the transfer ran to its end without an error.
// The deadline is watched here too, so that it holds in every phase, the name lookup included.
bool Run(CURL* handle, const Transfer& transfer, const DownloadOptions& options,
         std::optional<SteadyClock::time_point> deadline, bool& cancelled)
{
    constexpr int PollMs = 50;
    const std::unique_ptr<CURLM, MultiDeleter> multi(Lib().multiInit());
    if (!multi || Lib().multiAddHandle(multi.get(), handle) != CURLM_OK)
        return false;
    int running = 1;
    while (Lib().multiPerform(multi.get(), &running) == CURLM_OK && running > 0 && !transfer.Stalled()) {
        if (options.cancelled && options.cancelled()) {
            cancelled = true;
            break;
        }
        if (deadline && SteadyClock::now() >= *deadline)
            break;
        if (Lib().multiPoll(multi.get(), nullptr, 0, PollMs, nullptr) != CURLM_OK)
            break;
    }
    bool complete = false;
    int queued = 0;
    while (const CURLMsg* message = Lib().multiInfoRead(multi.get(), &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == handle)
            complete = message->data.result == CURLE_OK;
    }
    Lib().multiRemoveHandle(multi.get(), handle);
    return complete;
}

struct AttemptResult
{
    std::size_t delivered = 0; // bytes handed on, after the cut at zero bytes
    bool stopped = false;      // the piece callback or the size limit ended it
    long status = 0;
    FetchEnding ending = FetchEnding::Incomplete;
    std::string retryAfter;
};

// The Retry-After header of the last response (after redirects); empty when it has none. A
// value longer than any date is not one.
std::string RetryAfter(CURL* handle)
{
    constexpr std::size_t LongestValue = 64;
    curl_header* header = nullptr;
    if (Lib().easyHeader(handle, "Retry-After", 0, CURLH_HEADER, -1, &header) != CURLHE_OK || !header ||
        !header->value)
        return {};
    const std::string value(header->value);
    return value.size() <= LongestValue ? value : std::string();
}

AttemptResult Attempt(const std::string& url, AccessType access, const DownloadOptions& options,
                      curl_slist* headers, std::optional<SteadyClock::time_point> deadline, std::string& body)
{
    std::unique_ptr<CURL, EasyDeleter> easy(Lib().easyInit());
    if (!easy)
        return {};
    CURL* handle = easy.get();
    const std::string host = HostOf(url);
    Transfer transfer(handle, host, options, body);

    Lib().easySetopt(handle, CURLOPT_URL, url.c_str());
    Lib().easySetopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    Lib().easySetopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    Lib().easySetopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    Lib().easySetopt(handle, CURLOPT_MAXREDIRS, MaxRedirects);
    // An agent with a line break would smuggle in a header of its own, as a header line would.
    const bool agentSafe = options.userAgent.find_first_of("\r\n") == std::string::npos;
    Lib().easySetopt(handle, CURLOPT_USERAGENT, agentSafe ? options.userAgent.c_str() : UserAgent);
    Lib().easySetopt(handle, CURLOPT_HTTPHEADER, headers);
    Lib().easySetopt(handle, CURLOPT_NOSIGNAL, 1L);
    Lib().easySetopt(handle, CURLOPT_FRESH_CONNECT, 1L);
    Lib().easySetopt(handle, CURLOPT_FORBID_REUSE, 1L);
    Lib().easySetopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    Lib().easySetopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    // A name lookup that has not answered when the attempt ends is left to finish on its own
    // instead of being waited for: a resolver that never answers must not outlast the bounds.
    Lib().easySetopt(handle, CURLOPT_QUICK_EXIT, 1L);
    // Name lookup, TCP and TLS set-up together; the threaded resolver keeps the lookup inside it.
    if (options.connectTimeoutMs > 0)
        Lib().easySetopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options.connectTimeoutMs));
    // No proxy at all, whatever the environment says; the preconfigured access leaves libcurl
    // to honour http_proxy, https_proxy and no_proxy.
    if (access == INTERNET_OPEN_TYPE_DIRECT)
        Lib().easySetopt(handle, CURLOPT_PROXY, "");
    if (deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - SteadyClock::now());
        Lib().easySetopt(handle, CURLOPT_TIMEOUT_MS,
                         static_cast<long>(std::max<std::int64_t>(left.count(), 1)));
    }

    Lib().easySetopt(handle, CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
    Lib().easySetopt(handle, CURLOPT_WRITEDATA, &transfer);
    Lib().easySetopt(handle, CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
    Lib().easySetopt(handle, CURLOPT_HEADERDATA, &transfer);
    Lib().easySetopt(handle, CURLOPT_PREREQFUNCTION, &Transfer::OnConnected);
    Lib().easySetopt(handle, CURLOPT_PREREQDATA, &transfer);

    bool cancelled = false;
    const bool ranToItsEnd = Run(handle, transfer, options, deadline, cancelled);
    transfer.Finish();
    AttemptResult result;
    result.delivered = transfer.Delivered();
    result.stopped = transfer.Stopped();
    result.status = ResponseCode(handle);
    result.retryAfter = RetryAfter(handle);
    if (cancelled) {
        result.stopped = true;
        result.ending = FetchEnding::Cancelled;
    } else if (transfer.OtherHost())
        result.ending = FetchEnding::OtherHost;
    else if (transfer.HttpError() || (options.refuseHttpErrors && result.status >= 400))
        result.ending = FetchEnding::HttpError;
    else if (transfer.TooLong())
        result.ending = FetchEnding::TooLong;
    else if (transfer.Stopped())
        result.ending = FetchEnding::Stopped;
    else if (ranToItsEnd)
        result.ending = FetchEnding::Complete;
    return result;
}

} // namespace

std::string HostOf(const std::string& url)
{
    if (!Curl())
        return {};
    const std::unique_ptr<CURLU, UrlDeleter> parsed(Lib().url());
    char* host = nullptr;
    if (!parsed || Lib().urlSet(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK ||
        Lib().urlGet(parsed.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK || !host)
        return {};
    std::string text(host);
    Lib().free(host);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string DownloadPage(const std::string& url, AccessType access, const DownloadOptions& options)
{
    return Fetch(url, access, options).body;
}

FetchResult Fetch(const std::string& url, AccessType access, const DownloadOptions& options)
{
    FetchResult fetched;
    std::string& body = fetched.body;
    if (!Curl())
        return fetched;

    curl_slist* list = nullptr;
    std::vector<std::string> lines = {"Cache-Control: no-cache", "Pragma: no-cache"};
    // A header with a line break would smuggle in a header of its own.
    for (const std::string& header : options.headers)
        if (header.find_first_of("\r\n") == std::string::npos)
            lines.push_back(header);
    for (const std::string& header : lines) {
        curl_slist* longer = Lib().slistAppend(list, header.c_str());
        if (!longer) {
            Lib().slistFreeAll(list);
            return fetched;
        }
        list = longer;
    }
    const std::unique_ptr<curl_slist, ListDeleter> headers(list);

    std::optional<SteadyClock::time_point> deadline;
    if (options.totalTimeoutMs > 0)
        deadline = SteadyClock::now() + std::chrono::milliseconds(options.totalTimeoutMs);
    for (int attempt = 0; attempt < options.attempts; ++attempt) {
        if (deadline && SteadyClock::now() >= *deadline)
            break;
        if (options.cancelled && options.cancelled()) {
            fetched.ending = FetchEnding::Cancelled;
            break;
        }
        body.clear();
        const AttemptResult result = Attempt(url, access, options, headers.get(), deadline, body);
        fetched.status = result.status;
        fetched.ending = result.ending;
        fetched.retryAfter = result.retryAfter;
        // Another attempt would be sent to the same other host.
        if (result.stopped || result.delivered > 0 || result.ending == FetchEnding::OtherHost)
            break;
    }
    return fetched;
}

} // namespace Quotes
