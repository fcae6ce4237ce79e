#pragma once
// The download of one installer: the file is fetched into the download folder, then its
// signature file, and the installer is checked against it. The pieces are written on the
// fetch's thread; progress and the end reach the object's own thread through its event loop,
// the end never before Start returns. Cancel ends a download at once and silently, as the
// fetcher's Cancel does: the partial file is removed and `finished` never comes.

#include "quotes/Fetcher.h"
#include "update/InstallerSignature.h"

#include <QMetaType>
#include <QObject>
#include <cstdint>
#include <memory>
#include <string>

namespace Update {

// What one download fetches and what the installer must be.
struct InstallerOrder
{
    std::string folder;            // the download folder, with its final separator; empty: none
    std::string name;              // the installer's file name, as listed
    std::string address;           // where the installer is fetched
    std::string signatureAddress;  // where its signature file is fetched
    std::int32_t listedKB = 0;     // the listed size, which bounds the transfer
    InstallerExpectation expected; // the key, the running product and its version
};

enum class DownloadEnding
{
    Ready,         // the installer lies in the folder and its signature verifies
    Failed,        // an unsafe name, no connection, an error page, too long, or under one kilobyte
    NotWritten,    // `path` could not be made, written or read back
    FolderRefused, // `path`, the download folder, is not a real folder
    Unsigned,      // no signature file arrived
    BadSignature,  // the signature does not vouch for this installer
    NotNewer,      // signed for a version not newer than the running one
};

struct DownloadResult
{
    DownloadEnding ending = DownloadEnding::Failed;
    std::string path;            // what NotWritten and FolderRefused name
    std::string signature;       // Ready: the signature file, to check the installer again at its start
    std::int32_t receivedKB = 0; // kilobytes counted
};

class InstallerDownload : public QObject
{
    Q_OBJECT
public:
    // `fetcher` must outlive the object.
    explicit InstallerDownload(Quotes::Fetcher& fetcher, QObject* parent = nullptr);
    // A running download is cancelled.
    ~InstallerDownload() override;
    InstallerDownload(const InstallerDownload&) = delete;
    InstallerDownload& operator=(const InstallerDownload&) = delete;

    // Removes the running version's earlier installer and any file of the order's name from the
    // folder, then fetches the installer into a new file of that name. Ignored while a
    // download runs. Anything but Ready leaves no file.
    void Start(InstallerOrder order);
    bool Running() const { return m_running; }
    // Ends the running download: the fetch is cancelled, the partial file removed, and
    // neither `progress` nor `finished` follows.
    void Cancel();

signals:
    // The kilobytes counted so far, once some bytes arrived; at most one waits at a time.
    void progress(int receivedKB);
    void finished(const Update::DownloadResult& result);

private:
    struct Transfer;
    using TransferPointer = std::shared_ptr<Transfer>;
    void Fetch(const Quotes::FetchRequest& request,
               void (InstallerDownload::*arrived)(const Quotes::FetchResult&));
    void InstallerArrived(const Quotes::FetchResult& fetched);
    void SignatureArrived(const Quotes::FetchResult& fetched);
    void ProgressArrived(const TransferPointer& transfer);
    // Ends the download with `result`; from Start, through the event loop.
    void Finish(DownloadResult result);
    void Stop();

    Quotes::Fetcher& m_fetcher;
    InstallerOrder m_order;
    bool m_running = false;
    bool m_starting = false;
    unsigned m_run = 0; // names the download, so that a posted end of a cancelled one is dropped
    TransferPointer m_transfer;
    Quotes::FetchTicket m_ticket = Quotes::NoFetch;
};

} // namespace Update

Q_DECLARE_METATYPE(Update::DownloadResult)
