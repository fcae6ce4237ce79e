// Finding a running process by the path of its executable.

#include "update/ProcessFinder.h"
#include "update/TerminateForm.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
int OpenDescriptors()
{
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}
} // namespace

class TestProcessFinder : public QObject
{
    Q_OBJECT

    QTemporaryDir m_folder;
    QString m_program; // a copy of a small program under its own name
    QProcess m_running;

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        QDir(m_folder.path()).mkpath(QStringLiteral("run"));
        QDir(m_folder.path()).mkpath(QStringLiteral("other"));
        m_program = m_folder.path() + QStringLiteral("/run/Koerszicht_Sched.exe");
        QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), m_program));
        QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"),
                            m_folder.path() + QStringLiteral("/other/Koerszicht_Sched.exe")));
        m_running.start(m_program, {QStringLiteral("60")});
        QVERIFY(m_running.waitForStarted());
    }

    void cleanupTestCase()
    {
        m_running.kill();
        m_running.waitForFinished();
    }

    void samePath_data()
    {
        QTest::addColumn<QByteArray>("wanted");
        QTest::addColumn<QByteArray>("candidate");
        QTest::addColumn<bool>("same");
        QTest::newRow("equal") << QByteArray("/opt/k/K_Sched.exe") << QByteArray("/opt/k/K_Sched.exe")
                               << true;
        QTest::newRow("letter case") << QByteArray("/OPT/k/k_sched.EXE") << QByteArray("/opt/k/K_Sched.exe")
                                     << true;
        QTest::newRow("blanks and line ends around")
            << QByteArray(" \t/opt/k/K_Sched.exe\r\n") << QByteArray("/opt/k/K_Sched.exe ") << true;
        QTest::newRow("blank inside counts")
            << QByteArray("/opt/k /K_Sched.exe") << QByteArray("/opt/k/K_Sched.exe") << false;
        QTest::newRow("file name only")
            << QByteArray("K_Sched.exe") << QByteArray("/opt/k/K_Sched.exe") << false;
        QTest::newRow("other folder")
            << QByteArray("/opt/j/K_Sched.exe") << QByteArray("/opt/k/K_Sched.exe") << false;
        QTest::newRow("longer path") << QByteArray("/opt/k/K_Sched.exe.old")
                                     << QByteArray("/opt/k/K_Sched.exe") << false;
    }
    void samePath()
    {
        QFETCH(QByteArray, wanted);
        QFETCH(QByteArray, candidate);
        QFETCH(bool, same);
        QCOMPARE(Update::SameProcessPath(wanted.toStdString(), candidate.toStdString()), same);
    }

    void findProcess_data()
    {
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<bool>("found");
        const QString program = m_folder.path() + QStringLiteral("/run/Koerszicht_Sched.exe");
        QTest::newRow("exact path") << program << true;
        QTest::newRow("capitals and blanks")
            << QStringLiteral("  ") + program.toUpper() + QStringLiteral("\t ") << true;
        QTest::newRow("small letters") << program.toLower() << true;
        QTest::newRow("same file name in another folder")
            << m_folder.path() + QStringLiteral("/other/Koerszicht_Sched.exe") << false;
        QTest::newRow("file name only") << QStringLiteral("Koerszicht_Sched.exe") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void findProcess()
    {
        QFETCH(QString, wanted);
        QFETCH(bool, found);
        const TTerminateForm form;
        const int descriptors = OpenDescriptors();
        const Update::ProcessHandle process = form.FindProcess(wanted.toLocal8Bit().toStdString());
        QCOMPARE(OpenDescriptors(), descriptors);
        QCOMPARE(bool(process), found);
        if (found)
            QCOMPARE(process.pid, m_running.processId());
    }

    void terminateAndFindNothing()
    {
        const TTerminateForm form;
        const std::string path = m_program.toLocal8Bit().toStdString();
        const Update::ProcessHandle process = form.FindProcess(path);
        QVERIFY(process);
        QVERIFY(Update::TerminateProcess(process));
        QVERIFY(m_running.waitForFinished(5000));
        QVERIFY(!form.FindProcess(path));
        QVERIFY(!Update::TerminateProcess(Update::ProcessHandle{}));
    }
};

QTEST_MAIN(TestProcessFinder)
#include "tst_processfinder.moc"
