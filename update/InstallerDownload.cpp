#include "update/InstallerDownload.h"

#include "update/Installer.h"
#include "update/InstallerFiles.h"
#include "update/VerifiedInstaller.h"
#include "update/VersionList.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <mutex>

namespace Update {

namespace {
constexpr std::int64_t MaxKB = std::numeric_limits<std::int32_t>::max();

Quotes::FetchRequest Request(const std::string& address, std::size_t maxBytes)
{
    Quotes::FetchRequest request;
    request.url = address;
    request.access = Quotes::INTERNET_OPEN_TYPE_DIRECT;
    request.options.attempts = 1;
    request.options.cutPiecesAtZero = false;
    request.options.maxBodyBytes = maxBytes;
    request.options.refuseHttpErrors = true;
    request.options.stayOnHost = true;
    return request;
}
} // namespace

// The file of one download. While the fetch runs it is written by the fetch's thread (the piece
// callback); the object's thread takes it over under the lock only to abandon it, and for good
// once the fetch has ended. Held by the piece callback too, so it outlives the object when the
// fetch's thread ends after it.
struct InstallerDownload::Transfer
{
    InstallerDownload* owner = nullptr;
    std::string folder;
    std::string name;

    std::mutex lock; // the file and `abandoned`
    Files::File file;
    bool abandoned = false;

    // Written by the piece callback, read by the object's thread.
    std::atomic<std::int32_t> receivedKB{0};
    std::atomic<bool> anyPiece{false};
    std::atomic<bool> writeFailed{false};
    std::atomic<bool> progressQueued{false};

    bool Write(std::string_view read, const TransferPointer& self)
    {
        const std::lock_guard<std::mutex> guard(lock);
        if (abandoned)
            return false;
        if (!file.Write(read.data(), read.size())) {
            writeFailed = true;
            return false;
        }
        const std::int64_t counted = std::int64_t{receivedKB} + CountedKB(read.size());
        receivedKB = static_cast<std::int32_t>(std::min<std::int64_t>(counted, MaxKB));
        anyPiece = true;
        // Posted under the lock: once abandoned, nothing is posted to the owner (it may be gone).
        if (!progressQueued.exchange(true))
            QMetaObject::invokeMethod(
                owner, [owner = owner, self] { owner->ProgressArrived(self); }, Qt::QueuedConnection);
        return true;
    }

    // Later pieces are refused; the file is closed, and removed unless `keep`.
    void Abandon(bool keep)
    {
        const std::lock_guard<std::mutex> guard(lock);
        abandoned = true;
        if (!file.Close())
            writeFailed = true;
        if (!keep)
            Remove();
    }
    void Remove() const { Files::Remove(folder, name); }
};

InstallerDownload::InstallerDownload(Quotes::Fetcher& fetcher, QObject* parent)
    : QObject(parent), m_fetcher(fetcher)
{
    qRegisterMetaType<DownloadResult>();
}

InstallerDownload::~InstallerDownload()
{
    Cancel();
}

void InstallerDownload::Start(InstallerOrder order)
{
    if (m_running)
        return;
    m_order = std::move(order);
    m_running = true;
    m_starting = true;
    ++m_run;
    const std::string& folder = m_order.folder;
    const std::string& name = m_order.name;
    const auto refuse = [this](DownloadEnding ending, std::string path = {}) {
        Finish({ending, std::move(path), {}, 0});
        m_starting = false;
    };
    if (!IsSafeFileName(name))
        return refuse(DownloadEnding::Failed);
    // Without a folder there is none: a relative name would write into the current folder.
    if (folder.empty())
        return refuse(DownloadEnding::NotWritten, name);
    // A link or anything else in the folder's place would lead the installer elsewhere.
    const Files::FolderState state = Files::PrepareFolder(folder);
    if (state == Files::FolderState::Refused)
        return refuse(DownloadEnding::FolderRefused, folder);
    if (state != Files::FolderState::Usable)
        return refuse(DownloadEnding::NotWritten, folder + name);
    Files::Remove(folder, EarlierInstallerName(m_order.expected.product, m_order.expected.runningVersion));
    Files::Remove(folder, name);

    const auto transfer = std::make_shared<Transfer>();
    transfer->owner = this;
    transfer->folder = folder;
    transfer->name = name;
    // Only as a new file: whatever took the name after its removal is not written through.
    transfer->file = Files::CreateNew(folder, name, Files::Kind::Data);
    if (!transfer->file)
        return refuse(DownloadEnding::NotWritten, folder + name);
    m_transfer = transfer;
    m_starting = false;

    Quotes::FetchRequest request =
        Request(m_order.address, static_cast<std::size_t>(MaxInstallerBytes(m_order.listedKB)));
    request.options.keepBody = false;
    // Every piece is one read of at most 2048 bytes; only the last one may be shorter.
    request.options.onPiece = [transfer](std::string_view read) { return transfer->Write(read, transfer); };
    Fetch(request, &InstallerDownload::InstallerArrived);
}

void InstallerDownload::Fetch(const Quotes::FetchRequest& request,
                              void (InstallerDownload::*arrived)(const Quotes::FetchResult&))
{
    m_ticket = m_fetcher.Fetch(request, [this, run = m_run, arrived](const Quotes::FetchResult& fetched) {
        if (!m_running || m_run != run)
            return;
        m_ticket = Quotes::NoFetch;
        (this->*arrived)(fetched);
    });
}

void InstallerDownload::ProgressArrived(const TransferPointer& transfer)
{
    // Cleared first: a piece read from now on posts the next update.
    transfer->progressQueued = false;
    if (m_transfer == transfer)
        emit progress(transfer->receivedKB);
}

void InstallerDownload::InstallerArrived(const Quotes::FetchResult& fetched)
{
    // The fetch has ended: its thread no longer writes.
    const TransferPointer transfer = m_transfer;
    transfer->Abandon(true);
    if (transfer->anyPiece) {
        emit progress(transfer->receivedKB);
        if (m_transfer != transfer) // cancelled by a receiver
            return;
    }
    // An incomplete file is never offered as the installer: not whole, an error page, too long,
    // from another host, or not written.
    if (transfer->writeFailed || fetched.ending != Quotes::FetchEnding::Complete ||
        transfer->receivedKB < 1) {
        transfer->Remove();
        if (transfer->writeFailed)
            Finish({DownloadEnding::NotWritten, m_order.folder + m_order.name, {}, transfer->receivedKB});
        else
            Finish({DownloadEnding::Failed, {}, {}, transfer->receivedKB});
        return;
    }
    // Only a file signed with the release key may be started; one attempt, as the installer's own.
    Fetch(Request(m_order.signatureAddress, MaxSignatureFileBytes), &InstallerDownload::SignatureArrived);
}

void InstallerDownload::SignatureArrived(const Quotes::FetchResult& fetched)
{
    const TransferPointer transfer = m_transfer;
    // Too long is kept as it is, and found malformed; a fetch that failed brought no signature.
    const bool arrived =
        fetched.ending == Quotes::FetchEnding::Complete || fetched.ending == Quotes::FetchEnding::TooLong;
    const std::string signature = arrived ? fetched.body : std::string();
    VerifiedInstaller checked =
        VerifyInstaller(m_order.folder, m_order.name, signature, m_order.expected, StartFrom::Installer);
    checked.held.Close();
    DownloadResult result{DownloadEnding::Ready, {}, {}, transfer->receivedKB};
    switch (checked.check) {
    case SignatureCheck::Valid:
        result.signature = signature;
        break;
    case SignatureCheck::Unreadable:
        result.ending = DownloadEnding::NotWritten;
        result.path = m_order.folder + m_order.name;
        break;
    case SignatureCheck::Missing:
        result.ending = DownloadEnding::Unsigned;
        break;
    case SignatureCheck::NotNewer:
        result.ending = DownloadEnding::NotNewer;
        break;
    default:
        result.ending = DownloadEnding::BadSignature;
        break;
    }
    if (result.ending != DownloadEnding::Ready)
        transfer->Remove();
    Finish(std::move(result));
}

void InstallerDownload::Finish(DownloadResult result)
{
    if (m_starting) {
        QMetaObject::invokeMethod(
            this,
            [this, run = m_run, result = std::move(result)] {
                if (m_running && m_run == run)
                    Finish(result);
            },
            Qt::QueuedConnection);
        return;
    }
    Stop();
    emit finished(result);
}

void InstallerDownload::Stop()
{
    m_running = false;
    m_transfer = nullptr;
    m_ticket = Quotes::NoFetch;
}

void InstallerDownload::Cancel()
{
    if (!m_running)
        return;
    m_fetcher.Cancel(m_ticket);
    if (m_transfer)
        m_transfer->Abandon(false);
    Stop();
}

} // namespace Update
