// The update window: its layout and lines, its line for each end of a download, the
// window's thread left free while the network answers, and the start of the installer.

#include "quotes/BackgroundFetcher.h"
#include "testsupport/LoopbackServer.h"
#include "testsupport/ScriptedFetcher.h"
#include "testsupport/SigningKey.h"
#include "testsupport/TestSupport.h"
#include "update/Gauge.h"
#include "update/TerminateForm.h"
#include "update/VersionsForm.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <memory>

using TestSupport::InstallerBody;
using TestSupport::LoopbackReply;
using TestSupport::LoopbackServer;
using TestSupport::RunKey;
using TestSupport::ScriptedFetcher;
using TestSupport::SignatureOf;
using Update::VersionCheckResult;

namespace {
const QByteArray NewerList = "Beursklok,Beursklok312.exe,b,800,0\r\n"
                             "Koerszicht,Koerszicht101.exe,e,1500,0\r\n";

// The installer, then its signature file.
QList<LoopbackReply> Signed(const QByteArray& installer, const std::string& name = "Koerszicht101.exe")
{
    return {LoopbackReply::Page(installer), LoopbackReply::Page(SignatureOf(installer, name))};
}

// The window as the program's start makes it, in `language`, over this test's data folder,
// with `fetcher` for every fetch (none: a fetcher of the window's own). The maker site is a
// port where nothing listens: a check that no test points elsewhere fails at once instead of
// asking the network.
Update::VersionsFormSetup Setup(Quotes::Fetcher* fetcher = nullptr,
                                Support::Language language = Support::Language::Dutch)
{
    Update::VersionsFormSetup setup;
    setup.fetcher = fetcher;
    setup.language = language;
    setup.dataFolder = TestSupport::DataFolder().toStdString();
    setup.startFolder = QDir::currentPath().toStdString() + "/";
    setup.makerSite = "http://127.0.0.1:" + std::to_string(TestSupport::ClosedPort()) + "/";
    setup.key = RunKey().publicKey;
    return setup;
}

QString TempFolder()
{
    return TestSupport::DataFolder() + QStringLiteral("Temp/");
}

// A window ready to download `name` from the server.
void PrepareDownload(TVersionsForm& form, const LoopbackServer& server, std::int32_t sizeKB,
                     const std::string& name = "Koerszicht101.exe")
{
    form.DownloadName = name;
    form.DownloadBase = server.UrlText(QStringLiteral("/files/"));
    form.DownloadSizeKB = sizeKB;
    form.show();
    form.DownloadBtn->show();
}
// A downloaded installer with its signature, ready for "Installeer".
void PlaceInstaller(TVersionsForm& form, const std::string& name, const QByteArray& content)
{
    QVERIFY(TestSupport::WriteFile(TempFolder() + QString::fromStdString(name), content));
    form.InstallerDownloaded(name, SignatureOf(content, name).toStdString());
}
} // namespace

Q_DECLARE_METATYPE(LoopbackReply)
Q_DECLARE_METATYPE(QList<LoopbackReply>)
Q_DECLARE_METATYPE(Support::Language)

class TestVersionsForm : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        QDir().mkpath(TestSupport::DataFolder());
    }

    void layout()
    {
        TVersionsForm form(Setup());
        QCOMPARE(form.size(), QSize(358, 255));
        QCOMPARE(form.pos(), QPoint(383, 375));
        QCOMPARE(form.font().pixelSize(), 15);
        form.show();
        QCOMPARE(form.Panel1->height(), 73);
        QCOMPARE(form.Memo1->geometry().bottom() + 1, form.Panel1->geometry().top());
        QCOMPARE(form.Gauge1->geometry(), QRect(12, 9, 317, 16));
        QCOMPARE(form.DownloadBtn->geometry(), QRect(12, 36, 138, 25));
        QCOMPARE(form.ExitBtn->geometry(), QRect(191, 36, 138, 25));
        QVERIFY(form.Memo1->isReadOnly());
        QVERIFY(!form.Gauge1->isVisible());
        QVERIFY(!form.DownloadBtn->isVisible());
        QCOMPARE(form.ExitBtn->text(), QStringLiteral("Sluit venster"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Koerszicht - Update"));
        // The caption is made on every show.
        form.hide();
        form.ProductName = "Beursklok";
        form.show();
        QCOMPARE(form.windowTitle(), QStringLiteral("Beursklok - Update"));
    }

    void gauge_data()
    {
        QTest::addColumn<int>("maxValue");
        QTest::addColumn<int>("progress");
        QTest::addColumn<int>("shown");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty range") << 0 << 1 << 0 << QStringLiteral("0%");
        QTest::newRow("whole percent") << 1500 << 29 << 29 << QStringLiteral("1%");
        QTest::newRow("clamped at the end") << 3 << 21 << 3 << QStringLiteral("100%");
        QTest::newRow("clamped at the start") << 10 << -4 << 0 << QStringLiteral("0%");
    }
    void gauge()
    {
        QFETCH(int, maxValue);
        QFETCH(int, progress);
        QFETCH(int, shown);
        QFETCH(QString, text);
        TGauge gauge;
        gauge.SetRange(0, maxValue);
        gauge.SetProgress(progress);
        QCOMPARE(gauge.Progress(), shown);
        QCOMPARE(gauge.text(), text);
        gauge.resize(317, 16);
        QVERIFY(!gauge.grab().isNull()); // paints without trouble, also for an empty range
    }

    void offeredLines_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("downloadCaption");
        // Which codes read as Dutch: tst_texts.
        QTest::newRow("Dutch") << QByteArray("NLD")
                               << QStringList{"",
                                              "Een Update wordt aanbevolen",
                                              "",
                                              "Uw huidige versie is versie 1.00d",
                                              "De nieuwste versie is 1.01e",
                                              "De Downloadnaam is Koerszicht101.exe"}
                               << QStringLiteral("Start Downloaden");
        QTest::newRow("English") << QByteArray("ENU")
                                 << QStringList{"",
                                                "Update is advised",
                                                "",
                                                "Your current version is version 1.00d",
                                                "The latest version is 1.01e",
                                                "The Download Name is Koerszicht101.exe"}
                                 << QStringLiteral("Start Downloading");
    }
    void offeredLines()
    {
        QFETCH(QByteArray, language);
        QFETCH(QStringList, lines);
        QFETCH(QString, downloadCaption);
        // The language as the system's three-letter code names it.
        ScriptedFetcher fetcher;
        fetcher.Answer(NewerList.toStdString());
        Update::VersionsFormSetup setup = Setup(&fetcher, Support::LanguageOfCode(language.toStdString()));
        setup.makerSite = "http://maker.test/k/";

        TVersionsForm form(setup);
        QSignalSpy checked(&form, &TVersionsForm::versionChecked);
        fetcher.Settle(&TVersionsForm::CheckForUpdate, form, "Koerszicht", "versie 1.00d");

        // The list's own request: direct, its attempts and its bound, only the maker's answer.
        QCOMPARE(fetcher.Requests().size(), 1u);
        const Quotes::FetchRequest& asked = fetcher.Requests().front();
        QCOMPARE(asked.url, std::string("http://maker.test/k/versions.dat"));
        QCOMPARE(asked.access, Quotes::INTERNET_OPEN_TYPE_DIRECT);
        QCOMPARE(asked.options.attempts, Update::VersionListAttempts);
        QCOMPARE(asked.options.totalTimeoutMs, Update::VersionListFetchBoundMs);
        QVERIFY(asked.options.refuseHttpErrors);
        QVERIFY(asked.options.stayOnHost);
        QCOMPARE(checked.count(), 1);
        QCOMPARE(checked.first().first().value<VersionCheckResult>(), VersionCheckResult::UpdateAvailable);
        QVERIFY(form.isVisible());
        QCOMPARE(form.windowTitle(), QStringLiteral("Koerszicht - Update"));
        QCOMPARE(form.Lines(), lines);
        QVERIFY(form.Memo1->document()->defaultTextOption().alignment() & Qt::AlignHCenter);
        QVERIFY(form.DownloadBtn->isVisible());
        QCOMPARE(form.DownloadBtn->text(), downloadCaption);
        QVERIFY(form.ExitBtn->isVisible());
        QCOMPARE(form.ExitBtn->text(), QStringLiteral("Download Later"));
        QCOMPARE(form.DownloadName, std::string("Koerszicht101.exe"));
        QCOMPARE(form.DownloadBase, std::string("http://maker.test/k/"));
        QCOMPARE(form.DownloadSizeKB, 1500);
        QVERIFY(!form.Gauge1->isVisible());

        // The offscreen screen is 800 by 600: the design's place, 383,375 at 358 by 255, reaches
        // below it. The window is moved up only, as far as needed.
        const QRect area = form.screen()->availableGeometry();
        QVERIFY2(area.contains(form.frameGeometry()), qPrintable(QDebug::toString(form.frameGeometry())));
        QCOMPARE(form.size(), QSize(358, 255));
        for (const QPushButton* button : {form.DownloadBtn, form.ExitBtn})
            QVERIFY(area.contains(QRect(button->mapToGlobal(QPoint(0, 0)), button->size())));
        QCOMPARE(form.pos().x(), 383);

        // "Download Later" closes the window.
        form.ExitBtn->click();
        QVERIFY(!form.isVisible());
    }

    void nothingShown_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<bool>("readyAfter");
        QTest::addColumn<int>("sizeAfter");
        // Which lists are refused, and that an empty answer reads as unreachable: tst_versionlist;
        // here what the window does with one.
        QTest::newRow("invalid list") << QByteArray("Default.htm") << true << 7;
        QTest::newRow("not listed clears the ready flag")
            << QByteArray("Beursklok,Beursklok312.exe,b,800,0\r\nTrendmeter,Trendmeter120.exe,a,950,0\r\n")
            << false << 7;
        QTest::newRow("up to date, size stored")
            << QByteArray(NewerList).replace("Koerszicht101.exe,e", "Koerszicht100.exe,d") << true << 1500;
    }
    void nothingShown()
    {
        QFETCH(QByteArray, answer);
        QFETCH(bool, readyAfter);
        QFETCH(int, sizeAfter);
        ScriptedFetcher fetcher;
        fetcher.Answer(answer.toStdString());
        TVersionsForm form(Setup(&fetcher));
        form.InstallerReady = true;
        form.DownloadSizeKB = 7;
        fetcher.Settle(&TVersionsForm::CheckForUpdate, form, "Koerszicht", "versie 1.00d");
        QVERIFY(!form.isVisible());
        QCOMPARE(form.Lines(), QStringList{QString()});
        QCOMPARE(form.InstallerReady, readyAfter);
        QCOMPARE(form.DownloadSizeKB, sizeAfter);
        QVERIFY(form.DownloadName.empty());
    }

    // ---- The download ----

    void downloadEnds_data()
    {
        QTest::addColumn<QList<LoopbackReply>>("replies");
        QTest::addColumn<int>("sizeKB");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("gauge");
        QTest::addColumn<int>("percent");

        const QByteArray installer = InstallerBody(5 * 1024);
        const auto page = [](const QByteArray& body, int status = 200) {
            return LoopbackReply::Page(body, status);
        };
        const QStringList failed{"Het downloaden van Koerszicht101.exe is mislukt."};
        const QStringList unsigned_{
            "Koerszicht101.exe is niet ondertekend: het bestand is verwijderd en wordt niet geïnstalleerd."};
        const QStringList bad{
            "De handtekening van Koerszicht101.exe klopt niet: het bestand is verwijderd en "
            "wordt niet geïnstalleerd."};

        QTest::newRow("downloaded") << Signed(InstallerBody(2048)) << 10 << "made"
                                    << QStringList{"", "Koerszicht101.exe is met succes gedownload",
                                                   "Klik \"Installeer\" om het progamma te installeren"}
                                    << 3 << 30;
        QTest::newRow("too short") << QList{page(InstallerBody(900))} << 10 << "made" << failed << 1 << 10;
        QTest::newRow("nothing arrived") << QList{page({})} << 10 << "made" << failed << 0 << 0;
        QTest::newRow("unsigned") << QList{page(installer), page("Not Found", 404)} << 5 << "made"
                                  << unsigned_ << 5 << 100;
        QTest::newRow("bad signature")
            << QList{page(installer), page(QByteArray(64, 'x'))} << 5 << "made" << bad << 5 << 100;
        const QByteArray runningVersion = RunKey().SignatureFile("Koerszicht101.exe", "1.00d", installer);
        const QStringList notNewer{
            "Koerszicht101.exe is niet nieuwer dan uw versie: het bestand is verwijderd en "
            "wordt niet geïnstalleerd."};
        QTest::newRow("not newer") << QList{page(installer), page(runningVersion)} << 5 << "made" << notNewer
                                   << 5 << 100;
        // No download folder either: not "Temp/" in the current folder, whose files the start
        // would remove as leftovers.
        QTest::newRow("no data folder")
            << QList{page(installer)} << 5 << "none"
            << QStringList{"Het bestand Koerszicht101.exe kan niet worden geschreven."} << 0 << 0;
        QTest::newRow("a file in the download folder's place")
            << QList{page(installer)} << 5 << "file"
            << QStringList{"De map " + TempFolder() +
                           " is geen gewone map (maar bijvoorbeeld een koppeling naar een andere plaats): er "
                           "wordt niets gedownload of gestart."}
            << 0 << 0;
    }
    void downloadEnds()
    {
        QFETCH(QList<LoopbackReply>, replies);
        QFETCH(int, sizeKB);
        QFETCH(QString, folder);
        QFETCH(QStringList, lines);
        QFETCH(int, gauge);
        QFETCH(int, percent);
        LoopbackServer server;
        server.Script(replies);
        if (folder == "file")
            QVERIFY(TestSupport::WriteFile(TestSupport::DataFolder() + "Temp", "in the way"));
        Update::VersionsFormSetup setup = Setup();
        if (folder == "none")
            setup.dataFolder.clear();
        TVersionsForm form(setup);
        PrepareDownload(form, server, sizeKB);
        const QString exitCaption = form.ExitBtn->text();
        form.DownloadBtn->click();
        QTRY_VERIFY(!form.Downloading());

        QCOMPARE(form.Lines(), lines);
        QVERIFY(form.Gauge1->isVisible());
        QCOMPARE(form.Gauge1->Progress(), gauge);
        QCOMPARE(form.Gauge1->PercentDone(), percent);
        const bool ready = lines.size() == 3;
        QCOMPARE(form.InstallerReady, ready);
        QCOMPARE(QFile::exists(TempFolder() + "Koerszicht101.exe"), ready);
        if (ready) {
            QVERIFY(!form.DownloadBtn->isVisible());
            QVERIFY(form.ExitBtn->isVisible());
            QCOMPARE(form.ExitBtn->text(), QStringLiteral("Installeer"));
            QCOMPARE(form.focusWidget(), form.ExitBtn);
            return;
        }
        QVERIFY(form.DownloadBtn->isVisible());
        QCOMPARE(form.ExitBtn->text(), exitCaption);
    }

    void addressOfTheInstaller()
    {
        // Characters such as '#', '?' or a blank in the name do not change the address. (A
        // Windows file name cannot hold a '?'.)
#ifdef Q_OS_WIN
        const std::string name = "Koerszicht 101#b.exe";
        const QByteArray target = "/files/Koerszicht%20101%23b.exe";
#else
        const std::string name = "Koerszicht 101#b?.exe";
        const QByteArray target = "/files/Koerszicht%20101%23b%3F.exe";
#endif
        LoopbackServer server;
        server.Script(Signed(InstallerBody(3000), name));
        TVersionsForm form(Setup());
        PrepareDownload(form, server, 3, name);
        form.DownloadBtn->click();
        QTRY_VERIFY(form.InstallerReady);
        QCOMPARE(server.Requests().first().target, target);
        QCOMPARE(server.Requests().last().target, target + ".sig");
    }

    // ---- The window's thread never waits for the network ----

    void checkAndDownloadLeaveTheWindowFree()
    {
        // The list trickles in for about a second: the check returns at once, the event loop
        // runs meanwhile, and a second check while the first runs asks nothing. The whole
        // installer would take ten seconds: the download starts at once, and "Download Later"
        // ends it at once, closes the window and removes the partial file; what the transfer
        // still read is not shown.
        LoopbackServer server;
        server.Script({LoopbackReply::Trickling(NewerList, 10),
                       LoopbackReply::Trickling(InstallerBody(1000 * 1024), 20, 2048)});
        Quotes::BackgroundFetcher fetcher;
        Update::VersionsFormSetup setup = Setup(&fetcher);
        setup.makerSite = server.UrlText(QStringLiteral("/files/"));
        TVersionsForm form(setup);
        QSignalSpy checked(&form, &TVersionsForm::versionChecked);
        QSignalSpy ended(&form, &TVersionsForm::downloadEnded);
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(10);
        QElapsedTimer clock;
        clock.start();
        form.CheckForUpdate("Koerszicht", "versie 1.00d");
        QVERIFY2(clock.elapsed() < 100, QByteArray::number(clock.elapsed()));
        QVERIFY(form.Checking());
        form.CheckForUpdate("Koerszicht", "versie 1.00d");
        QVERIFY(!form.isVisible());
        QVERIFY(checked.wait(10000));
        QVERIFY2(ticks > 20, QByteArray::number(ticks));
        QVERIFY(form.isVisible());
        QVERIFY(!form.Checking());
        QTest::qWait(100);
        QCOMPARE(checked.count(), 1);
        QCOMPARE(server.RequestCount(), 1);

        clock.start();
        form.DownloadBtn->click();
        QVERIFY2(clock.elapsed() < 100, QByteArray::number(clock.elapsed()));
        // The progress reaches the gauge while the installer arrives.
        QTRY_VERIFY(form.Gauge1->Progress() > 1);
        QVERIFY(QFile::exists(TempFolder() + "Koerszicht101.exe"));
        QVERIFY(form.Downloading());
        QVERIFY(form.ExitBtn->isVisible() && form.ExitBtn->isEnabled());
        QCOMPARE(form.ExitBtn->text(), QStringLiteral("Download Later"));
        clock.start();
        form.ExitBtn->click();

        QVERIFY2(clock.elapsed() < 100, QByteArray::number(clock.elapsed()));
        QVERIFY(!form.isVisible());
        QVERIFY(!form.Downloading());
        QCOMPARE(ended.count(), 1);
        QVERIFY(!form.InstallerReady);
        QVERIFY(form.ReceivedKB() < 1000);
        QVERIFY(!QFile::exists(TempFolder() + "Koerszicht101.exe"));
        QCOMPARE(server.RequestCount(), 2); // the list and the installer
        const int receivedAtClose = form.ReceivedKB();
        QTRY_COMPARE_WITH_TIMEOUT(fetcher.Running(), 0, 2000);
        QCOMPARE(form.ReceivedKB(), receivedAtClose);
        // The offer stands: the window shows the same lines when it is opened again.
        QCOMPARE(form.Lines().at(5), QStringLiteral("De Downloadnaam is Koerszicht101.exe"));
    }

    void checkEndedBeforeItsList_data()
    {
        QTest::addColumn<bool>("destroyed");
        QTest::newRow("window closed") << false;
        QTest::newRow("window gone") << true;
    }
    void checkEndedBeforeItsList()
    {
        // The list arrives after the window was closed: the fetch was cancelled, nothing is shown.
        QFETCH(bool, destroyed);
        ScriptedFetcher fetcher;
        fetcher.SetHolding(true);
        fetcher.Answer(NewerList.toStdString());
        auto form = std::make_unique<TVersionsForm>(Setup(&fetcher));
        QSignalSpy checked(form.get(), &TVersionsForm::versionChecked);
        form->CheckForUpdate("Koerszicht", "versie 1.00d");
        QCOMPARE(fetcher.Held(), 1);
        if (destroyed)
            form.reset();
        else
            form->close();
        QCOMPARE(fetcher.Cancelled(), 1);
        QVERIFY(!fetcher.Release());
        if (destroyed)
            return;
        QVERIFY(!form->Checking());
        QVERIFY(!form->isVisible());
        QVERIFY(form->DownloadName.empty());
        QCOMPARE(checked.count(), 0);
        // A later check asks again.
        form->CheckForUpdate("Koerszicht", "versie 1.00d");
        QCOMPARE(fetcher.Held(), 1);
        QVERIFY(fetcher.Release());
        QVERIFY(form->isVisible());
    }

    void installerChangedAfterItsDownload()
    {
        // Between the download and the click on "Installeer" the file is replaced: it is not started.
        int starts = 0;
        Update::VersionsFormSetup setup = Setup();
        setup.startProgram = [&](const QString&, const QStringList&) { return ++starts > 0; };
        setup.quitProgram = [] {};
        TVersionsForm form(setup);
        form.show();
        PlaceInstaller(form, "Koerszicht101.exe", InstallerBody(3000));
        QVERIFY(TestSupport::WriteFile(TempFolder() + "Koerszicht101.exe", "#!/bin/sh\nrm -rf ~\n"));
        form.ExitBtn->click();
        QCOMPARE(starts, 0);
        QVERIFY(!form.InstallerReady);
        QVERIFY(!QFile::exists(TempFolder() + "Koerszicht101.exe"));
        QCOMPARE(form.Lines().last(), QStringLiteral("De handtekening van Koerszicht101.exe klopt niet: het "
                                                     "bestand is verwijderd en wordt niet geïnstalleerd."));
        QVERIFY(form.DownloadBtn->isVisible());
        QCOMPARE(form.ExitBtn->text(), QStringLiteral("Download Later"));
    }

    // ---- The installation ----

    void installerStartFailsThenSucceeds_data()
    {
        QTest::addColumn<Support::Language>("language");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("Dutch") << Support::Language::Dutch << "Koerszicht101.exe"
                               << QStringList{"",
                                              "De installatie van Koerszicht wordt gestart.",
                                              "Installatie is mislukt.",
                                              "",
                                              "De installatie van Koerszicht wordt gestart.",
                                              "De installatie van Koerszicht is gestart."};
        QTest::newRow("English, another product's installer")
            << Support::Language::English << "kzsched203.exe"
            << QStringList{
                   "", "The installation of kzSCHED is started.", "Installation failed.",
                   "", "The installation of kzSCHED is started.", "The installation of kzSCHED has started."};
    }
    void installerStartFailsThenSucceeds()
    {
        QFETCH(Support::Language, language);
        QFETCH(QString, name);
        QFETCH(QStringList, lines);
        QList<QByteArray> startedBytes;
        QList<bool> startedExecutable;
        bool swapped = false;
        QList<QPair<QString, QStringList>> started;
        bool startWorks = false;
        Update::VersionsFormSetup setup = Setup(nullptr, language);
        setup.startProgram = [&](const QString& program, const QStringList& arguments) {
            started.append({program, arguments});
            // Another file takes the installer's name after the check: the start is not affected.
            swapped = startWorks && TestSupport::WriteFile(TempFolder() + "other", "#!/bin/sh\nrm -rf ~\n") &&
                      std::rename(QFile::encodeName(TempFolder() + "other").constData(),
                                  QFile::encodeName(TempFolder() + name).constData()) == 0;
            startedBytes.append(TestSupport::ReadFile(program));
            startedExecutable.append(QFileInfo(program).isExecutable());
            return startWorks;
        };
        int quits = 0;
        setup.quitProgram = [&] { ++quits; };
        // The companion program is searched for with the given finder, in the start folder, once
        // the installer started; none found, the program quits without waiting.
        QStringList searched;
        setup.startFolder = "/opt/start/";
        setup.findProcess = [&](const std::string& path) {
            searched.append(QString::fromStdString(path));
            return Update::ProcessHandle{};
        };
        TVersionsForm form(setup);
        PlaceInstaller(form, name.toStdString(), "#!/bin/sh\n");

        form.ExitBtn->click();
        QCOMPARE(form.Lines(), lines.mid(0, 3));
        QVERIFY(form.InstallerReady);
        QCOMPARE(quits, 0);
        QVERIFY(searched.isEmpty());

        startWorks = true;
        form.ExitBtn->click();
        QCOMPARE(form.Lines(), lines);
        QCOMPARE(quits, 1);
        QCOMPARE(searched, QStringList{"/opt/start/Koerszicht_Sched.exe"});
        QCOMPARE(form.TerminationRounds(), 0);
        QCOMPARE(started.size(), 2);
        for (const auto& [program, arguments] : started) {
            QCOMPARE(QFileInfo(program).absolutePath() + "/", TempFolder());
            QCOMPARE(arguments, (QStringList{"/SP-", "/silent", "/noicons"}));
        }
#ifdef Q_OS_WIN
        QVERIFY(!swapped); // the checked installer is held open: it cannot be renamed over
#else
        QVERIFY(swapped);
#endif
        QCOMPARE(startedBytes, (QList<QByteArray>{"#!/bin/sh\n", "#!/bin/sh\n"}));
        QCOMPARE(startedExecutable, (QList<bool>{true, true}));
#ifndef Q_OS_WIN
        // The copy of the failed start is gone; the other one is the started installer's.
        QCOMPARE(QDir(TempFolder()).entryList({"run-*"}, QDir::Files).size(), 1);
#endif
    }

    void realStartEndsTheCompanionAndRunsTheInstaller()
    {
        // The real start: the companion program running from the start folder is ended, and the
        // downloaded file is made executable and gets its three arguments as they are, with no
        // shell in between to read them.
        QTemporaryDir startFolder;
        const QString companion = startFolder.path() + QStringLiteral("/Koerszicht_Sched.exe");
        const QString marker = startFolder.path() + QStringLiteral("/arguments");
        QVERIFY(QFile::copy(TestSupport::HelperProgramPath(), companion));
        QProcess process;
        process.start(companion, {QStringLiteral("60")});
        QVERIFY(process.waitForStarted());
        Update::VersionsFormSetup setup = Setup();
        setup.startFolder = startFolder.path().toStdString() + "/";
        bool companionGoneAtQuit = false;
        setup.quitProgram = [&] {
            const TTerminateForm finder;
            companionGoneAtQuit = !finder.FindProcess(companion.toStdString());
        };
        TVersionsForm form(setup);
#ifdef Q_OS_WIN
        // A real program, which writes the arguments it gets where its environment says.
        qputenv("KOERSZICHT_TEST_ARGUMENTS_FILE", QDir::toNativeSeparators(marker).toLocal8Bit());
        const auto unset = qScopeGuard([] { qunsetenv("KOERSZICHT_TEST_ARGUMENTS_FILE"); });
        PlaceInstaller(form, "Koerszicht101.exe", TestSupport::ReadFile(TestSupport::HelperProgramPath()));
#else
        PlaceInstaller(form, "Koerszicht101.exe",
                       "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + marker.toUtf8() + "'\n");
#endif
        QFile::setPermissions(TempFolder() + "Koerszicht101.exe", QFile::ReadOwner | QFile::WriteOwner);
        form.ExitBtn->click();
        QVERIFY(companionGoneAtQuit);
        QVERIFY(form.TerminationRounds() > 0);
        QVERIFY(form.TerminationRounds() < TVersionsForm::MaxTerminationRounds);
        QTRY_COMPARE_WITH_TIMEOUT(process.state(), QProcess::NotRunning, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(TestSupport::ReadFile(marker), QByteArray("/SP-\n/silent\n/noicons\n"),
                                  5000);
    }

    // ---- What the program's start hands the window ----

    void downloadStopsWhenTheMainWindowCloses_data()
    {
        QTest::addColumn<LoopbackReply>("reply");
        QTest::newRow("installer arriving") << LoopbackReply::Trickling(InstallerBody(1000 * 1024), 20, 2048);
        // No progress to notice it by: the window looks by itself.
        QTest::newRow("server silent") << LoopbackReply::Stall(InstallerBody(1000 * 1024), 4096);
    }
    void downloadStopsWhenTheMainWindowCloses()
    {
        // The main window closes while the installer arrives: the program is ending, so the
        // download stops and leaves no partial file.
        QFETCH(LoopbackReply, reply);
        LoopbackServer server;
        server.Serve(reply);
        bool mainWindowOpen = true;
        Quotes::BackgroundFetcher fetcher;
        Update::VersionsFormSetup setup = Setup(&fetcher);
        setup.mainWindowOpen = [&] { return mainWindowOpen; };
        TVersionsForm form(setup);
        PrepareDownload(form, server, 1000);
        QTimer::singleShot(200, &form, [&] { mainWindowOpen = false; });
        QElapsedTimer clock;
        clock.start();
        form.DownloadBtn->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form.Downloading(), 5000);
        // Well before the receive time-out would have ended a silent transfer.
        QVERIFY2(clock.elapsed() < 1500, QByteArray::number(clock.elapsed()));
        QVERIFY(!form.InstallerReady);
        QVERIFY(form.ReceivedKB() < 1000);
        QVERIFY(!QFile::exists(TempFolder() + "Koerszicht101.exe"));
        QCOMPARE(form.Lines().last(), QString()); // a stop the user caused is not reported
    }
};

QTEST_MAIN(TestVersionsForm)
#include "tst_versionsform.moc"
