// The built program against faults around its files: a data folder it may not write, a full
// disk, settings it may not write, a history file of 50 MB of garbage, and a kill in the middle
// of writing the history. Whatever happens, the previous history stays whole, the failure is
// reported and the program closes normally. (A folder in the history's place is left alone:
// tst_sessionhistory, and tst_historyfile for its report.)
#include "testsupport/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QtTest>
#include <csignal>
#include <grp.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr uid_t OtherUser = 65534; // nobody
constexpr int ProgramSeconds = 120;

#if defined(__SANITIZE_ADDRESS__)
constexpr long PeakLimitMb = 1500; // the sanitizer's shadow memory and quarantine come on top
#else
constexpr long PeakLimitMb = 400;
#endif

struct Run
{
    bool asOtherUser = false;             // as root: run as nobody, for whom root's folders are read-only
    rlim_t fileSizeLimit = RLIM_INFINITY; // a full disk, as far as the program can tell
    QStringList environment;
    bool killWhenPaused = false; // SIGKILL once the history write has paused half-way
    bool testProgram = false;    // the program with the test pauses instead of the shipped one
};

struct Outcome
{
    bool started = false;
    bool finished = false;
    int exitCode = -1;
    QProcess::ExitStatus exitStatus = QProcess::CrashExit;
    QByteArray errors;
};

// The program has installed its signal handlers, which it does once its window is loaded.
// (Before the program image replaces the child, the child still has the test's handlers.)
bool HandlesSigterm(qint64 pid, const QString& path)
{
    if (QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).canonicalFilePath() !=
        QFileInfo(path).canonicalFilePath())
        return false;
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            bool ok = false;
            const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
            return ok && (mask & (1ULL << (SIGTERM - 1)));
        }
    }
    return false;
}

Outcome RunProgram(const Run& run)
{
    Outcome outcome;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& setting : run.environment)
        environment.insert(setting.section('=', 0, 0), setting.section('=', 1));
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(QDir::tempPath());
    const bool dropUser = run.asOtherUser && geteuid() == 0;
    const rlim_t limit = run.fileSizeLimit;
    program.setChildProcessModifier([dropUser, limit] {
        if (limit != RLIM_INFINITY) {
            ::signal(SIGXFSZ, SIG_IGN); // a write beyond the limit fails instead of ending the program
            const rlimit fileSize{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &fileSize);
        }
        if (dropUser &&
            (::setgroups(0, nullptr) != 0 || ::setgid(OtherUser) != 0 || ::setuid(OtherUser) != 0))
            ::_exit(99);
    });
    const QString path = run.testProgram ? TestSupport::TestProgramPath() : TestSupport::ProgramPath();
    program.start(path, {});
    outcome.started = program.waitForStarted(10000);
    if (!outcome.started)
        return outcome;
    const qint64 pid = program.processId();

    QDeadlineTimer deadline(ProgramSeconds * 1000);
    while (!HandlesSigterm(pid, path) && program.state() == QProcess::Running && !deadline.hasExpired())
        program.waitForFinished(50);
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    if (run.killWhenPaused) {
        while (!outcome.errors.contains("write paused half-way") && program.state() == QProcess::Running &&
               !deadline.hasExpired()) {
            program.waitForReadyRead(50);
            outcome.errors += program.readAllStandardError();
        }
        ::kill(static_cast<pid_t>(pid), SIGKILL);
    }
    outcome.finished = program.waitForFinished(static_cast<int>(deadline.remainingTime()));
    if (!outcome.finished)
        program.kill();
    program.waitForFinished(5000);
    outcome.errors += program.readAllStandardError();
    outcome.exitCode = program.exitCode();
    outcome.exitStatus = program.exitStatus();
    return outcome;
}

bool ClosedNormally(const Outcome& outcome)
{
    if (outcome.started && outcome.finished && outcome.exitStatus == QProcess::NormalExit &&
        outcome.exitCode == 0)
        return true;
    qWarning("The program did not close normally (exit %d):\n%s", outcome.exitCode,
             outcome.errors.constData());
    return false;
}

QString HistoryPath()
{
    return TestSupport::DataFolder() + "AEX.dat";
}

QByteArray StarterHistory()
{
    return TestSupport::ReadFile(TestSupport::SourceDir() + "/data/AEX.dat");
}

// As root, hands `folder` to the user nobody, who may then write there (and nowhere else).
bool GiveToOtherUser(const QString& folder)
{
    return geteuid() != 0 || QProcess::execute("chown", {"-R", "nobody:nogroup", folder}) == 0;
}

const QFileDevice::Permissions ReadWrite =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup |
    QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
const QFileDevice::Permissions ReadOnly = ReadWrite & ~QFileDevice::Permissions(QFileDevice::WriteOwner);

} // namespace

class FaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        QDir().mkpath(TestSupport::DataFolder());
        // The back-fill and the update check fail at once.
        TestSupport::PointSourcesNowhere();
    }

    void cleanup()
    {
        QFile::setPermissions(TestSupport::DataFolder(), ReadWrite);
        QFile::setPermissions(TestSupport::ConfigHome() + "/Koerszicht", ReadWrite);
    }

    // The history cannot be written at closing: the previous file stays as it was, nothing
    // half-written is left beside it, and the failure is reported.
    void historyNotWritable_data()
    {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("read-only data folder") << true << false;
        QTest::newRow("disk full") << false << true;
    }
    void historyNotWritable()
    {
        QFETCH(bool, readOnlyFolder);
        QFETCH(bool, diskFull);
        const QByteArray old = StarterHistory();
        QVERIFY(old.size() > 100 * 1024);
        QVERIFY(TestSupport::WriteFile(HistoryPath(), old));
        Run run;
        if (readOnlyFolder) {
            QVERIFY(GiveToOtherUser(TestSupport::ConfigHome()));
            QVERIFY(QFile::setPermissions(TestSupport::DataFolder(), ReadOnly));
            run.asOtherUser = true;
        }
        if (diskFull)
            run.fileSizeLimit = 64 * 1024;

        const Outcome outcome = RunProgram(run);

        QVERIFY(ClosedNormally(outcome));
        QVERIFY2(outcome.errors.contains("was not written"), outcome.errors.constData());
        QCOMPARE(TestSupport::ReadFile(HistoryPath()), old);
        QCOMPARE(QDir(TestSupport::DataFolder()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"AEX.dat"});
        // The settings were still saved.
        QVERIFY(QSettings(TestSupport::IniPath(), QSettings::IniFormat).contains("Defaults/Dagen"));
    }

    // Settings that cannot be saved are reported; the history is written all the same.
    void settingsNotWritable()
    {
        QVERIFY(TestSupport::WriteFile(HistoryPath(), StarterHistory()));
        const QString ini = TestSupport::IniPath();
        const QByteArray before = TestSupport::ReadFile(ini);
        QVERIFY(QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::ReadGroup |
                                               QFileDevice::ReadOther));
        QVERIFY(QFile::setPermissions(TestSupport::ConfigHome() + "/Koerszicht", ReadOnly));
        // nobody may write the history (its folder is made its own) but not the settings.
        QVERIFY(GiveToOtherUser(TestSupport::DataHome()));

        Run run;
        run.asOtherUser = true;
        const Outcome outcome = RunProgram(run);

        QVERIFY(ClosedNormally(outcome));
        QVERIFY2(outcome.errors.contains("settings could not be saved"), outcome.errors.constData());
        QCOMPARE(TestSupport::ReadFile(ini), before);
        QVERIFY(TestSupport::ReadFile(HistoryPath()).size() >= StarterHistory().size());
    }

    // 50 MB of garbage with day entries strewn in: loading finishes within bounded memory, the
    // garbage is kept in the backup and the day entries in the new file.
    void fiftyMegabytesOfGarbage()
    {
        QRandomGenerator random(20120607);
        QByteArray garbage;
        garbage.reserve(50 * 1024 * 1024 + 4096);
        while (garbage.size() < 50 * 1024 * 1024) {
            switch (random.bounded(4)) {
            case 0: // a day entry somewhere in the range of day numbers
                garbage += QByteArray::number(random.bounded(65536)) + " - " +
                           QByteArray::number(random.bounded(2000)) + "," +
                           QByteArray::number(random.bounded(100)) + "\r\n";
                break;
            case 1: { // binary junk
                QByteArray junk(random.bounded(1, 200), '\0');
                random.fillRange(reinterpret_cast<quint32*>(junk.data()), junk.size() / 4);
                garbage += junk;
                break;
            }
            case 2: // a long line of text
                garbage += QByteArray(random.bounded(1, 4000), 'x') + "\n";
                break;
            default: // a line that looks almost like an entry
                garbage += QByteArray::number(random.bounded(100000)) + "- \t" +
                           QByteArray(random.bounded(1, 40), '9') + "\r\n";
                break;
            }
        }
        QVERIFY(TestSupport::WriteFile(HistoryPath(), garbage));

        rusage before{};
        getrusage(RUSAGE_CHILDREN, &before);
        const Outcome outcome = RunProgram({});
        rusage after{};
        getrusage(RUSAGE_CHILDREN, &after);

        QVERIFY(ClosedNormally(outcome));
        const long peakMb = after.ru_maxrss / 1024;
        qInfo("Peak resident memory of the program: %ld MB", peakMb);
        QVERIFY2(peakMb <= PeakLimitMb, qPrintable(QStringLiteral("peak %1 MB").arg(peakMb)));
        QVERIFY(TestSupport::ReadFile(HistoryPath() + ".bak") == garbage);
        const QByteArray written = TestSupport::ReadFile(HistoryPath());
        QVERIFY(!written.isEmpty());
        for (const QByteArray& line : written.split('\n'))
            QVERIFY(line.isEmpty() || line.endsWith('\r'));
    }

    // Killed in the middle of writing the history, the program leaves the previous file whole.
    void killedWhileWriting()
    {
        const QByteArray old = StarterHistory();
        QVERIFY(TestSupport::WriteFile(HistoryPath(), old));

        Run run;
        run.testProgram = true;
        run.environment << "KOERSZICHT_TEST_HISTORY_WRITE_PAUSE_MS=60000";
        run.killWhenPaused = true;
        const Outcome killed = RunProgram(run);
        QVERIFY2(killed.errors.contains("write paused half-way"), killed.errors.constData());
        QCOMPARE(killed.exitStatus, QProcess::CrashExit);
        QCOMPARE(TestSupport::ReadFile(HistoryPath()), old);

        // The next run reads that file and writes its successor whole. It is the shipped program,
        // which has no pause: the same setting leaves it alone.
        Run shipped;
        shipped.environment = run.environment;
        const Outcome closed = RunProgram(shipped);
        QVERIFY(ClosedNormally(closed));
        QVERIFY2(!closed.errors.contains("paused"), closed.errors.constData());
        const QByteArray written = TestSupport::ReadFile(HistoryPath());
        QVERIFY(written.startsWith(old.left(old.size() - 16 * 10)));
        QVERIFY(written.endsWith("\r\n"));
    }
};

QTEST_GUILESS_MAIN(FaultsTest)
#include "tst_faults.moc"
