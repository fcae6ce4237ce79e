// The installer download: what it counts, keeps and refuses, its progress, its cancellation.

#include "quotes/BackgroundFetcher.h"
#include "testsupport/LoopbackServer.h"
#include "testsupport/ScriptedFetcher.h"
#include "testsupport/SigningKey.h"
#include "testsupport/TestSupport.h"
#include "update/InstallerDownload.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <algorithm>
#include <memory>

using TestSupport::InstallerBody;
using TestSupport::LoopbackReply;
using TestSupport::LoopbackServer;
using TestSupport::RunKey;
using TestSupport::SignatureOf;
using Update::DownloadEnding;
using Update::DownloadResult;

namespace {
const std::string Name = "Koerszicht101.exe";

QString TempFolder()
{
    return TestSupport::DataFolder() + QStringLiteral("Temp/");
}

// Koerszicht101.exe of `listedKB` from `base`, for the running version 1.00d.
Update::InstallerOrder Order(const std::string& base, std::int32_t listedKB)
{
    Update::InstallerOrder order;
    order.folder = TempFolder().toStdString();
    order.name = Name;
    order.address = base + Name;
    order.signatureAddress = order.address + ".sig";
    order.listedKB = listedKB;
    order.expected = {RunKey().publicKey, "Koerszicht", "versie 1.00d"};
    return order;
}

DownloadResult Result(const QSignalSpy& finished)
{
    return finished.first().first().value<DownloadResult>();
}
} // namespace

Q_DECLARE_METATYPE(QList<LoopbackReply>)
Q_DECLARE_METATYPE(DownloadEnding)

class TestInstallerDownload : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        QDir().mkpath(TestSupport::DataFolder());
    }

    void endings_data()
    {
        QTest::addColumn<QList<LoopbackReply>>("replies"); // none: nothing listens at the address
        QTest::addColumn<int>("listedKB");
        QTest::addColumn<DownloadEnding>("ending");
        QTest::addColumn<int>("receivedKB");
        QTest::addColumn<int>("requests");

        const auto page = [](const QByteArray& body, int status = 200) {
            return LoopbackReply::Page(body, status);
        };
        const auto signed_ = [&](const QByteArray& installer) {
            return QList{page(installer), page(SignatureOf(installer))};
        };
        const QByteArray installer = InstallerBody(5 * 1024);
        const QByteArray good = SignatureOf(installer);
        const TestSupport::SigningKey other;
        // "localhost" names the loopback address by another host name: a different site, one
        // that would serve a signed installer (the port is filled in by the test).
        const QByteArray elsewhere = "http://localhost:OTHERPORT/x.exe";
        const auto failed = DownloadEnding::Failed;
        const auto unsigned_ = DownloadEnding::Unsigned;
        const auto bad = DownloadEnding::BadSignature;

        QTest::newRow("1024 bytes count one")
            << signed_(InstallerBody(1024)) << 10 << DownloadEnding::Ready << 1 << 2;
        QTest::newRow("a short last read adds its whole kilobytes")
            << signed_(InstallerBody(2048 + 1500)) << 10 << DownloadEnding::Ready << 3 << 2;
        QTest::newRow("1023 bytes count nothing") << signed_(InstallerBody(1023)) << 10 << failed << 0 << 1;
        QTest::newRow("connection closed") << QList{LoopbackReply::Closed()} << 5 << failed << 0 << 1;
        QTest::newRow("nothing listens") << QList<LoopbackReply>{} << 5 << failed << 0 << 0;
        QTest::newRow("error page") << QList{page("<html>Not Found</html>", 404)} << 5 << failed << 0 << 1;
        QTest::newRow("server error with a body of kilobytes")
            << QList{page(installer, 500)} << 5 << failed << 0 << 1;
        QTest::newRow("transfer cut short")
            << QList{LoopbackReply::CutShortAfter(installer, 3000)} << 5 << failed << -1 << 1;
        QTest::newRow("far longer than listed")
            << QList{page(InstallerBody(5 * 1024 + 64 * 1024 + 1))} << 5 << failed << -1 << 1;
        QTest::newRow("redirect to another host")
            << QList{LoopbackReply::Redirect(elsewhere)} << 5 << failed << 0 << 1;

        QTest::newRow("no signature")
            << QList{page(installer), page("Not Found", 404)} << 5 << unsigned_ << 5 << 2;
        QTest::newRow("empty signature") << QList{page(installer), page({})} << 5 << unsigned_ << 5 << 2;
        QTest::newRow("signature cut short")
            << QList{page(installer), LoopbackReply::CutShortAfter(good, 40)} << 5 << unsigned_ << 5 << 2;
        QTest::newRow("signature from another host")
            << QList{page(installer), LoopbackReply::Redirect(elsewhere)} << 5 << unsigned_ << 5 << 2;
        QTest::newRow("signature file one byte short")
            << QList{page(installer), page(good.chopped(1))} << 5 << bad << 5 << 2;
        QTest::newRow("page instead of a signature")
            << QList{page(installer), page(InstallerBody(3000))} << 5 << bad << 5 << 2;
        QTest::newRow("signed with another key")
            << QList{page(installer), page(other.SignatureFile(Name, "1.01e", installer))} << 5 << bad << 5
            << 2;
        QTest::newRow("signature of another file")
            << QList{page(installer), page(SignatureOf(installer.left(5000)))} << 5 << bad << 5 << 2;
        QTest::newRow("the running version's installer under a newer name")
            << QList{page(installer), page(RunKey().SignatureFile(Name, "1.00d", installer))} << 5
            << DownloadEnding::NotNewer << 5 << 2;
    }
    void endings()
    {
        QFETCH(QList<LoopbackReply>, replies);
        QFETCH(int, listedKB);
        QFETCH(DownloadEnding, ending);
        QFETCH(int, receivedKB);
        QFETCH(int, requests);
        LoopbackServer elsewhere; // it would serve whatever it is asked for
        for (LoopbackReply& reply : replies)
            for (auto& header : reply.headers)
                header.second.replace("OTHERPORT", QByteArray::number(elsewhere.Port()));
        LoopbackServer server;
        server.Script(replies);
        // An old installer of the running version and an older file of the same name go first.
        QVERIFY(TestSupport::WriteFile(TempFolder() + "Koerszicht1.00.exe", "old installer"));
        QVERIFY(TestSupport::WriteFile(TempFolder() + "Koerszicht101.exe", "older download"));
        const std::string base =
            replies.isEmpty() ? "http://127.0.0.1:" + std::to_string(TestSupport::ClosedPort()) + "/files/"
                              : server.UrlText(QStringLiteral("/files/"));

        Quotes::BackgroundFetcher fetcher;
        Update::InstallerDownload download(fetcher);
        QSignalSpy finished(&download, &Update::InstallerDownload::finished);
        download.Start(Order(base, listedKB));
        QVERIFY(finished.wait(10000));
        QCOMPARE(Result(finished).ending, ending);
        if (receivedKB >= 0)
            QCOMPARE(Result(finished).receivedKB, receivedKB);
        QCOMPARE(server.RequestCount(), requests);
        QCOMPARE(elsewhere.RequestCount(), 0);
        QVERIFY(!QFile::exists(TempFolder() + "Koerszicht1.00.exe"));
        const bool ready = ending == DownloadEnding::Ready;
        QCOMPARE(QFile::exists(TempFolder() + "Koerszicht101.exe"), ready);
        if (ready) {
            QCOMPARE(TestSupport::ReadFile(TempFolder() + "Koerszicht101.exe"), replies.first().body);
            QCOMPARE(QByteArray::fromStdString(Result(finished).signature), replies.last().body);
        }
    }

    void refusedBeforeAnyFetch_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("dataFolder"); // "Temp" in it is the download folder
        QTest::addColumn<DownloadEnding>("ending");
        QTest::addColumn<QString>("named"); // the path the result names
        QTest::newRow("unsafe name") << "../Koerszicht101.exe"
                                     << "data" << DownloadEnding::Failed << "";
        // Not "Temp/" in the current folder, whose files the start would remove as leftovers.
        QTest::newRow("no download folder") << "Koerszicht101.exe"
                                            << "" << DownloadEnding::NotWritten << "Koerszicht101.exe";
        QTest::newRow("a file in the folder's place")
            << "Koerszicht101.exe"
            << "file" << DownloadEnding::FolderRefused << TempFolder();
    }
    void refusedBeforeAnyFetch()
    {
        QFETCH(QString, name);
        QFETCH(QString, dataFolder);
        QFETCH(DownloadEnding, ending);
        QFETCH(QString, named);
        const QString current = QDir::currentPath();
        QTemporaryDir currentFolder;
        QVERIFY(QDir::setCurrent(currentFolder.path()));
        if (dataFolder == "file")
            QVERIFY(TestSupport::WriteFile(TestSupport::DataFolder() + "Temp", "in the way"));
        Update::InstallerOrder order = Order("http://maker.test/files/", 5);
        order.name = name.toStdString();
        if (dataFolder.isEmpty())
            order.folder.clear();

        TestSupport::ScriptedFetcher fetcher;
        Update::InstallerDownload download(fetcher);
        QSignalSpy finished(&download, &Update::InstallerDownload::finished);
        download.Start(order);
        QCOMPARE(finished.count(), 0); // never before Start returns
        QVERIFY(finished.wait(5000));
        QDir::setCurrent(current);
        QCOMPARE(Result(finished).ending, ending);
        QCOMPARE(QString::fromStdString(Result(finished).path), named);
        QVERIFY(fetcher.Requests().empty());
        QVERIFY(QDir(currentFolder.path()).isEmpty());
        QVERIFY(!QFile::exists(TestSupport::DataFolder() + "Koerszicht101.exe"));
        if (dataFolder == "file")
            QCOMPARE(TestSupport::ReadFile(TestSupport::DataFolder() + "Temp"), QByteArray("in the way"));
    }

    void progressThroughTheEventLoop()
    {
        // 64 KiB in pieces of 2 KiB, one every 10 ms: the count climbs on the asking thread. After
        // the first count the thread is kept busy past the receive time-out: the pieces are
        // written meanwhile and the file is whole.
        LoopbackServer server;
        const QByteArray body = InstallerBody(64 * 1024);
        server.Script({LoopbackReply::Trickling(body, 10, 2048), LoopbackReply::Page(SignatureOf(body))});
        Quotes::BackgroundFetcher fetcher;
        Update::InstallerDownload download(fetcher);
        QList<int> seen;
        connect(&download, &Update::InstallerDownload::progress, this, [&](int receivedKB) {
            QCOMPARE(QThread::currentThread(), thread());
            seen.append(receivedKB);
            if (seen.size() == 1)
                QThread::msleep(2500);
        });
        QSignalSpy finished(&download, &Update::InstallerDownload::finished);
        download.Start(Order(server.UrlText(QStringLiteral("/files/")), 64));
        QVERIFY(finished.wait(10000));
        QCOMPARE(Result(finished).ending, DownloadEnding::Ready);
        QVERIFY2(seen.first() > 0 && seen.first() < 60, qPrintable(QString::number(seen.first())));
        QVERIFY(std::is_sorted(seen.begin(), seen.end()));
        QCOMPARE(seen.last(), 64);
        QCOMPARE(TestSupport::ReadFile(TempFolder() + "Koerszicht101.exe"), body);
    }

    void endedBeforeItsFetch_data()
    {
        QTest::addColumn<int>("heldFetch");
        QTest::addColumn<bool>("destroyed");
        QTest::newRow("installer, cancelled") << 1 << false;
        QTest::newRow("installer, object gone") << 1 << true;
        QTest::newRow("signature, cancelled") << 2 << false;
        QTest::newRow("signature, object gone") << 2 << true;
    }
    void endedBeforeItsFetch()
    {
        // The download ends while the installer or its signature is on its way: the fetch is
        // cancelled, the file removed, later pieces refused, and nothing more is said.
        QFETCH(int, heldFetch);
        QFETCH(bool, destroyed);
        const QByteArray installer = InstallerBody(5 * 1024);
        TestSupport::ScriptedFetcher fetcher;
        fetcher.SetHolding(true);
        fetcher.Answer(std::string(), Quotes::FetchEnding::Complete);
        fetcher.Answer(SignatureOf(installer).toStdString());
        auto download = std::make_unique<Update::InstallerDownload>(fetcher);
        QSignalSpy finished(download.get(), &Update::InstallerDownload::finished);
        QSignalSpy progress(download.get(), &Update::InstallerDownload::progress);
        download->Start(Order("http://maker.test/files/", 5));
        download->Start(Order("http://maker.test/files/", 5)); // ignored: a download runs
        QCOMPARE(fetcher.Held(), 1);
        // The pieces as the fetch's thread hands them over.
        const auto onPiece = fetcher.Requests().front().options.onPiece;
        QVERIFY(onPiece(installer.left(4096).toStdString()));
        if (heldFetch == 2) {
            QVERIFY(onPiece(installer.mid(4096).toStdString()));
            QVERIFY(fetcher.Release());
            QCOMPARE(fetcher.Requests().back().url,
                     std::string("http://maker.test/files/Koerszicht101.exe.sig"));
            QCOMPARE(progress.count(), 1);
            QCOMPARE(progress.last().first().toInt(), 5);
        }
        QVERIFY(QFile::exists(TempFolder() + "Koerszicht101.exe"));
        const int progressBefore = progress.count();
        if (destroyed)
            download.reset();
        else
            download->Cancel();
        QCOMPARE(fetcher.Cancelled(), 1);
        QVERIFY(!QFile::exists(TempFolder() + "Koerszicht101.exe"));
        QVERIFY(!onPiece("late piece"));
        QVERIFY(!fetcher.Release());
        QCoreApplication::processEvents(); // a progress update still queued finds the download gone
        if (destroyed)
            return;
        QCOMPARE(finished.count(), 0);
        QCOMPARE(progress.count(), progressBefore);
    }
};

QTEST_GUILESS_MAIN(TestInstallerDownload)
#include "tst_installerdownload.moc"
