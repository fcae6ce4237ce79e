// Finding a running process by the path of its executable.

#include "update/ProcessFinder.h"
#include "update/TerminateForm.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <utility>

Q_DECLARE_METATYPE(Update::PathCase)

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
    QProcess m_runningSmall; // the same program under the name in small letters

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        QDir(m_folder.path()).mkpath(QStringLiteral("run"));
        QDir(m_folder.path()).mkpath(QStringLiteral("other"));
        m_program = m_folder.path() + QStringLiteral("/run/Koerszicht_Sched.exe");
        const QString smallLetters = m_folder.path() + QStringLiteral("/run/koerszicht_sched.exe");
        for (const QString& copy : {m_program, smallLetters, m_folder.path() + "/other/Koerszicht_Sched.exe"})
            QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), copy));
        m_running.start(m_program, {QStringLiteral("60")});
        m_runningSmall.start(smallLetters, {QStringLiteral("60")});
        QVERIFY(m_running.waitForStarted() && m_runningSmall.waitForStarted());
    }

    void cleanupTestCase()
    {
        for (QProcess* process : {&m_running, &m_runningSmall}) {
            process->kill();
            process->waitForFinished();
        }
    }

    void samePath_data()
    {
        QTest::addColumn<QByteArray>("wanted");
        QTest::addColumn<QByteArray>("candidate");
        QTest::addColumn<Update::PathCase>("pathCase");
        QTest::addColumn<bool>("same");
        const auto sensitive = Update::PathCase::Sensitive;
        const auto insensitive = Update::PathCase::Insensitive;
        for (const auto& [pathCase, name] :
             {std::pair{sensitive, "sensitive"}, std::pair{insensitive, "blind"}}) {
            const QByteArray suffix = QByteArray(", case ") + name;
            QTest::newRow("equal" + suffix)
                << QByteArray("/opt/k/K_Sched.exe") << QByteArray("/opt/k/K_Sched.exe") << pathCase << true;
            QTest::newRow("blanks and line ends around" + suffix)
                << QByteArray(" \t/opt/k/K_Sched.exe\r\n") << QByteArray("/opt/k/K_Sched.exe ") << pathCase
                << true;
            QTest::newRow("blank inside counts" + suffix)
                << QByteArray("/opt/k /K_Sched.exe") << QByteArray("/opt/k/K_Sched.exe") << pathCase << false;
            QTest::newRow("file name only" + suffix)
                << QByteArray("K_Sched.exe") << QByteArray("/opt/k/K_Sched.exe") << pathCase << false;
            QTest::newRow("other folder" + suffix)
                << QByteArray("/opt/j/K_Sched.exe") << QByteArray("/opt/k/K_Sched.exe") << pathCase << false;
            QTest::newRow("longer path" + suffix) << QByteArray("/opt/k/K_Sched.exe.old")
                                                  << QByteArray("/opt/k/K_Sched.exe") << pathCase << false;
        }
        // Where the file system tells letter case apart, so does the search.
        QTest::newRow("companion in small letters, case sensitive")
            << QByteArray("/opt/k/Koerszicht_Sched.exe") << QByteArray("/opt/k/koerszicht_sched.exe")
            << sensitive << false;
        QTest::newRow("companion in small letters, case blind")
            << QByteArray("/opt/k/Koerszicht_Sched.exe") << QByteArray("/opt/k/koerszicht_sched.exe")
            << insensitive << true;
        QTest::newRow("folder in capitals, case sensitive")
            << QByteArray("/OPT/k/K_Sched.exe") << QByteArray("/opt/k/K_Sched.exe") << sensitive << false;
        QTest::newRow("mixed case, case blind")
            << QByteArray("/OPT/k/k_sched.EXE") << QByteArray("/opt/k/K_Sched.exe") << insensitive << true;
        QTest::newRow("Windows path, case blind")
            << QByteArray("c:\\program files\\koerszicht\\koerszicht_sched.exe")
            << QByteArray("C:\\Program Files\\Koerszicht\\Koerszicht_Sched.exe") << insensitive << true;
    }
    void samePath()
    {
        QFETCH(QByteArray, wanted);
        QFETCH(QByteArray, candidate);
        QFETCH(Update::PathCase, pathCase);
        QFETCH(bool, same);
        QCOMPARE(Update::SameProcessPath(wanted.toStdString(), candidate.toStdString(), pathCase), same);
        QCOMPARE(Update::SameProcessPath(candidate.toStdString(), wanted.toStdString(), pathCase), same);
    }

    void findProcess_data()
    {
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<qint64>("pid");
        const qint64 own = m_running.processId();
        const qint64 small = m_runningSmall.processId();
        QTest::newRow("exact path") << m_program << own;
        QTest::newRow("blanks around") << QStringLiteral("  ") + m_program + QStringLiteral("\t ") << own;
        // Two programs in one folder whose names differ in letter case only: each is found for itself.
        QTest::newRow("the small-letter program")
            << m_folder.path() + QStringLiteral("/run/koerszicht_sched.exe") << small;
        QTest::newRow("in capitals: no such program") << m_program.toUpper() << qint64(0);
        QTest::newRow("same file name in another folder")
            << m_folder.path() + QStringLiteral("/other/Koerszicht_Sched.exe") << qint64(0);
        QTest::newRow("file name only") << QStringLiteral("Koerszicht_Sched.exe") << qint64(0);
        QTest::newRow("empty") << QString() << qint64(0);
    }
    void findProcess()
    {
        QFETCH(QString, wanted);
        QFETCH(qint64, pid);
        const TTerminateForm form;
        const int descriptors = OpenDescriptors();
        const Update::ProcessHandle process = form.FindProcess(wanted.toLocal8Bit().toStdString());
        QCOMPARE(OpenDescriptors(), descriptors);
        QCOMPARE(bool(process), pid != 0);
        QCOMPARE(process.pid, pid);
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
        // The program of the same name in other letters was left alone.
        QCOMPARE(m_runningSmall.state(), QProcess::Running);
        QVERIFY(!Update::TerminateProcess(Update::ProcessHandle{}));
    }
};

QTEST_MAIN(TestProcessFinder)
#include "tst_processfinder.moc"
