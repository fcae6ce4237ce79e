// Reading the version list: the checks in their order, the entry, its fields and the comparison.

#include "testsupport/LoopbackServer.h"
#include "update/VersionList.h"

#include <QElapsedTimer>
#include <QTest>

using TestSupport::LoopbackReply;
using TestSupport::LoopbackServer;
using Update::VersionCheckResult;
Q_DECLARE_METATYPE(Update::VersionCheckResult)

namespace {
const std::string Product = "Koerszicht";
const std::string OwnVersion = "versie 1.00d";

// A list with a leading line of another product, so that it is long enough to be read.
QByteArray ListWith(const QByteArray& entry)
{
    return "Beursklok,Beursklok312.exe,b,800,0\r\n" + entry + "\r\nTrendmeter,Trendmeter120.exe,a,950,0\r\n";
}

QStringList Visible(const std::vector<std::string>& fields)
{
    QStringList visible;
    for (const std::string& field : fields)
        visible.append(field == std::string(1, '\0') ? QStringLiteral("#0") : QString::fromStdString(field));
    return visible;
}

// Exactly `length` characters: the entry, then a line end and filler.
QByteArray PaddedTo(const QByteArray& entry, int length)
{
    QByteArray text = entry + "\r\n";
    if (text.size() < length)
        text.append(QByteArray(length - text.size(), 'x'));
    return text.left(length);
}
} // namespace

class TestVersionList : public QObject
{
    Q_OBJECT

private slots:
    void comparison_data()
    {
        QTest::addColumn<QString>("versionText");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<VersionCheckResult>("expected");
        QTest::addColumn<QString>("display");
        const auto newer = VersionCheckResult::UpdateAvailable;
        const auto upToDate = VersionCheckResult::UpToDate;
        const QString own = QString::fromStdString(OwnVersion);

        QTest::newRow("same digits, same letter")
            << own << "Koerszicht,Koerszicht100.exe,d,1500,0" << upToDate << "1.00d";
        QTest::newRow("same digits, later letter")
            << own << "Koerszicht,Koerszicht100.exe,e,1500,0" << newer << "1.00e";
        QTest::newRow("same digits, earlier letter")
            << own << "Koerszicht,Koerszicht100.exe,c,1500,0" << upToDate << "1.00c";
        QTest::newRow("digits 099, any letter")
            << own << "Koerszicht,Koerszicht099.exe,z,1500,0" << upToDate << "0.99z";
        QTest::newRow("newer digits, earlier letter")
            << own << "Koerszicht,Koerszicht101.exe,a,1500,0" << newer << "1.01a";
        QTest::newRow("major version up") << "versie 1.09z"
                                          << "Koerszicht,Koerszicht200.exe,a,1500,0" << newer << "2.00a";
        QTest::newRow("own version without letter, any letter is newer")
            << "versie 1.00"
            << "Koerszicht,Koerszicht100.exe,a,1500,0" << newer << "1.00a";
        QTest::newRow("capital letter counts as no letter")
            << "versie 1.00D"
            << "Koerszicht,Koerszicht100.exe,a,1500,0" << newer << "1.00a";
        QTest::newRow("two commas give a code-0 letter: not newer than d")
            << own << "Koerszicht,Koerszicht100.exe,,1500,0" << upToDate << "1.00";
        QTest::newRow("code-0 letter against no letter: equal")
            << "versie 1.00"
            << "Koerszicht,Koerszicht100.exe,,1500,0" << upToDate << "1.00";
        QTest::newRow("code-0 letter with newer digits")
            << own << "Koerszicht,Koerszicht101.exe,,1500,0" << newer << "1.01";
        QTest::newRow("fields 5 and 6 change nothing")
            << own << "Koerszicht,Koerszicht101.exe,e,1500,0,9,zz" << newer << "1.01e";
        QTest::newRow("final comma") << own << "Koerszicht,Koerszicht101.exe,e,1500,0," << newer << "1.01e";
    }
    void comparison()
    {
        QFETCH(QString, versionText);
        QFETCH(QString, entry);
        QFETCH(VersionCheckResult, expected);
        QFETCH(QString, display);

        const Update::VersionCheck check = Update::EvaluateVersionList(
            ListWith(entry.toLatin1()).toStdString(), Product, versionText.toStdString());
        QCOMPARE(check.result, expected);
        QCOMPARE(QString::fromStdString(check.latestVersion), display);
        QCOMPARE(check.downloadSizeKB, 1500);
        QCOMPARE(check.downloadName, Update::SplitEntry(entry.toStdString())[1]);
    }

    void checks_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<VersionCheckResult>("expected");
        const auto invalid = VersionCheckResult::InvalidList;
        const auto newer = VersionCheckResult::UpdateAvailable;
        // The list with the product's entry: its name, then `fields`.
        const auto listed = [](const QByteArray& fields) { return ListWith("Koerszicht," + fields); };

        // Which line is the entry: cutEntry; here what the check makes of it.
        const QByteArray entry = "Koerszicht,Koerszicht101.exe,e,1500,0";
        QTest::newRow("Default.htm") << QByteArray("Default.htm") << invalid;
        QTest::newRow("empty") << QByteArray() << invalid;
        QTest::newRow("49 characters") << PaddedTo(entry, 49) << invalid;
        QTest::newRow("50 characters") << PaddedTo(entry, 50) << newer;
        QTest::newRow("Default.htm in a long answer is just text")
            << QByteArray("Default.htm\r\n" + ListWith(entry)) << newer;
        QTest::newRow("product absent")
            << ListWith("Koersbord,Koersbord101.exe,e,1500,0") << VersionCheckResult::NotListed;
        QTest::newRow("entry indented") << ListWith("  Koerszicht ,Koerszicht101.exe,e,1500,0") << newer;
        QTest::newRow("error page of a web server")
            << QByteArray("<html><head><title>404 Not Found</title></head><body>Not Found</body></html>")
            << VersionCheckResult::NotListed;

        // Malformed entries end the check without showing anything.
        QTest::newRow("four fields") << listed("Koerszicht101.exe,e,1500") << invalid;
        QTest::newRow("one field") << ListWith("Koerszicht") << invalid;
        QTest::newRow("size not a number") << listed("Koerszicht101.exe,e,15OO,0") << invalid;
        QTest::newRow("size with a decimal point") << listed("Koerszicht101.exe,e,1500.5,0") << invalid;
        QTest::newRow("negative size") << listed("Koerszicht101.exe,e,-5,0") << invalid;
        QTest::newRow("size beyond 32 bits") << listed("Koerszicht101.exe,e,4294967296,0") << invalid;
        QTest::newRow("size empty (code 0)") << listed("Koerszicht101.exe,e,,0") << invalid;
        QTest::newRow("size with blanks around it") << listed("Koerszicht101.exe,e, 1500 ,0") << newer;
        // 256 characters: the cut takes the last one, field 4, away.
        QTest::newRow("entry cut at 255 characters loses field 4")
            << listed("Koerszicht101" + QByteArray(219, 'x') + ".exe,e,1500,0") << invalid;

        // The download name becomes a file name: anything but a plain name is refused.
        QTest::newRow("name climbing out") << listed("../Koerszicht101.exe,e,1500,0") << invalid;
        QTest::newRow("name with two points") << listed("Koerszicht101..exe,e,1500,0") << invalid;
        QTest::newRow("name with a folder") << listed("bin/Koerszicht101.exe,e,1500,0") << invalid;
        QTest::newRow("name with a backslash") << listed("bin\\Koerszicht101.exe,e,1500,0") << invalid;
        QTest::newRow("absolute name") << listed("/tmp/Koerszicht101.exe,e,1500,0") << invalid;
        QTest::newRow("drive letter") << listed("C:Koerszicht101.exe,e,1500,0") << invalid;
        QTest::newRow("control character") << listed("Koers\tzicht101.exe,e,1500,0") << invalid;
        QTest::newRow("empty name (code 0)") << listed(",e,1500,0") << invalid;
        QTest::newRow("name of blanks") << listed("   ,e,1500,0") << invalid;

        // A listed version that is not one digit, a point, two digits and a letter cannot be
        // compared with the own one, nor shown: four digits would read as "1.00a", two as "1.1e".
        QTest::newRow("four digits") << listed("Koerszicht1001.exe,a,1500,0") << invalid;
        QTest::newRow("two digits that compare as newer") << listed("Koerszicht11.exe,e,1500,0") << invalid;
        QTest::newRow("no digits") << listed("Koerszicht.exe,e,1500,0") << invalid;
        QTest::newRow("release letter not a small letter") << listed("Koerszicht101.exe,~,1500,0") << invalid;
        QTest::newRow("capital release letter") << listed("Koerszicht101.exe,E,1500,0") << invalid;
    }
    void checks()
    {
        QFETCH(QByteArray, text);
        QFETCH(VersionCheckResult, expected);
        QCOMPARE(Update::EvaluateVersionList(text.toStdString(), Product, OwnVersion).result, expected);
    }

    void cutEntry_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("entry");
        QTest::newRow("first line whose first field is the name")
            << QByteArray("x Koerszicht,a,b\r\nKoerszicht,c") << QByteArray("Koerszicht,c");
        QTest::newRow("a lone line feed ends the line too")
            << QByteArray("Koerszicht,a\nb\r\n") << QByteArray("Koerszicht,a");
        QTest::newRow("no carriage return") << QByteArray("Koerszicht,a,b") << QByteArray("Koerszicht,a,b");
        QTest::newRow("absent") << QByteArray("Koersbord,a") << QByteArray();
        QTest::newRow("cut at 255") << QByteArray("Koerszicht," + QByteArray(300, 'y'))
                                    << QByteArray("Koerszicht," + QByteArray(244, 'y'));
        QTest::newRow("longer name listed first")
            << QByteArray("KoerszichtPro,p\r\nKoerszicht,k\r\n") << QByteArray("Koerszicht,k");
        QTest::newRow("only a longer name")
            << QByteArray("Koerszicht2,2\r\nKoerszichtPro,p\r\n") << QByteArray();
        QTest::newRow("longer name with a blank") << QByteArray("Koerszicht Pro,p\r\n") << QByteArray();
        QTest::newRow("name in a later field of another line")
            << QByteArray("Beursklok,Koerszicht,x\r\nTrendmeter,t,Koerszicht\r\n") << QByteArray();
        QTest::newRow("name at the end of another line's first field")
            << QByteArray("OudKoerszicht,o\r\n") << QByteArray();
        QTest::newRow("letter case counts")
            << QByteArray("koerszicht,a\r\nKOERSZICHT,b\r\nKoersZicht,c") << QByteArray();
        QTest::newRow("blanks around the first field")
            << QByteArray("Beursklok,b\r\n \tKoerszicht ,a,b\r\n") << QByteArray("Koerszicht ,a,b");
        QTest::newRow("blanks inside the first field") << QByteArray("Koers zicht,a\r\n") << QByteArray();
        QTest::newRow("line feeds only")
            << QByteArray("Beursklok,b\nKoerszicht,k\nTrendmeter,t\n") << QByteArray("Koerszicht,k");
        QTest::newRow("carriage returns only")
            << QByteArray("Beursklok,b\rKoerszicht,k\rTrendmeter,t\r") << QByteArray("Koerszicht,k");
        QTest::newRow("empty lines before")
            << QByteArray("\r\n\r\n\nKoerszicht,a") << QByteArray("Koerszicht,a");
        QTest::newRow("first of two entries")
            << QByteArray("Koerszicht,1\r\nKoerszicht,2\r\n") << QByteArray("Koerszicht,1");
        QTest::newRow("name alone on its line") << QByteArray("Koerszicht\r\nx") << QByteArray("Koerszicht");
        QTest::newRow("cut at 255 from the name, not the line start")
            << QByteArray("   Koerszicht," + QByteArray(300, 'y'))
            << QByteArray("Koerszicht," + QByteArray(244, 'y'));
        QTest::newRow("empty text") << QByteArray() << QByteArray();
    }
    void cutEntry()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, entry);
        QCOMPARE(QByteArray::fromStdString(Update::CutEntry(text.toStdString(), Product)), entry);
    }

    void splitEntry_data()
    {
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("plain") << QByteArray("a,b,c") << QStringList{"a", "b", "c"};
        QTest::newRow("two commas in a row") << QByteArray("a,,b") << QStringList{"a", "#0", "b"};
        QTest::newRow("final comma makes no field") << QByteArray("a,b,") << QStringList{"a", "b"};
        QTest::newRow("two final commas") << QByteArray("a,b,,") << QStringList{"a", "b", "#0"};
        QTest::newRow("leading comma") << QByteArray(",a") << QStringList{"#0", "a"};
        QTest::newRow("no comma") << QByteArray("a") << QStringList{"a"};
        QTest::newRow("empty") << QByteArray() << QStringList{};
        QTest::newRow("blank field stays blank") << QByteArray("a, ,b") << QStringList{"a", " ", "b"};
    }
    void splitEntry()
    {
        QFETCH(QByteArray, entry);
        QFETCH(QStringList, fields);
        QCOMPARE(Visible(Update::SplitEntry(entry.toStdString())), fields);
    }

    void ownVersion_data()
    {
        QTest::addColumn<QByteArray>("versionText");
        QTest::addColumn<QByteArray>("digits");
        QTest::addColumn<int>("letter");
        QTest::newRow("versie 1.00d") << QByteArray("versie 1.00d") << QByteArray("100") << int('d');
        QTest::newRow("version 2.13z") << QByteArray("version 2.13z") << QByteArray("213") << int('z');
        QTest::newRow("no letter") << QByteArray("versie 1.00") << QByteArray("100") << 0;
        QTest::newRow("capital letter") << QByteArray("versie 1.00D") << QByteArray("100") << 0;
        QTest::newRow("only the first point goes")
            << QByteArray("versie 1.0.2a") << QByteArray("10.2") << int('a');
        QTest::newRow("no point") << QByteArray("versie 100d") << QByteArray() << int('d');
        QTest::newRow("empty") << QByteArray() << QByteArray() << 0;
    }
    void ownVersion()
    {
        QFETCH(QByteArray, versionText);
        QFETCH(QByteArray, digits);
        QFETCH(int, letter);
        QCOMPARE(QByteArray::fromStdString(Update::CurrentDigits(versionText.toStdString())), digits);
        QCOMPARE(int(Update::CurrentLetter(versionText.toStdString())), letter);
    }

    void readVersionList_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<VersionCheckResult>("expected");
        QTest::newRow("nothing fetched") << QByteArray() << VersionCheckResult::Unreachable;
        QTest::newRow("short answer") << QByteArray("Koerszicht") << VersionCheckResult::InvalidList;
        QTest::newRow("newer version")
            << ListWith("Koerszicht,Koerszicht101.exe,e,1500,0") << VersionCheckResult::UpdateAvailable;
    }
    void readVersionList()
    {
        QFETCH(QByteArray, answer);
        QFETCH(VersionCheckResult, expected);
        QStringList asked;
        const auto fetch = [&](const std::string& url) {
            asked.append(QString::fromStdString(url));
            return answer.toStdString();
        };
        const auto check = Update::ReadVersionList(Product, OwnVersion, "http://maker.test/files/", fetch);
        QCOMPARE(check.result, expected);
        QCOMPARE(asked, QStringList{"http://maker.test/files/versions.dat"});
    }

    void fetchAttempts_data()
    {
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("requests");
        QTest::addColumn<VersionCheckResult>("expected");
        QTest::newRow("first attempt answers") << 0 << 1 << VersionCheckResult::UpdateAvailable;
        QTest::newRow("sixth attempt answers") << 5 << 6 << VersionCheckResult::UpdateAvailable;
        QTest::newRow("six empty answers") << 6 << 6 << VersionCheckResult::Unreachable;
    }
    void fetchAttempts()
    {
        QFETCH(int, failures);
        QFETCH(int, requests);
        QFETCH(VersionCheckResult, expected);
        LoopbackServer server;
        server.FailThenAnswer(failures, LoopbackReply::Empty(),
                              LoopbackReply::Page(ListWith("Koerszicht,Koerszicht101.exe,e,1500,0")));
        const auto check =
            Update::ReadVersionList(Product, OwnVersion, server.UrlText(QStringLiteral("/k/")));
        QCOMPARE(check.result, expected);
        QCOMPARE(server.RequestCount(), requests);
        QCOMPARE(server.Requests().first().target, QByteArray("/k/versions.dat"));
    }

    // An error page is no list, and the list is read only from the maker site's own host.
    void fetchRefusals_data()
    {
        QTest::addColumn<QByteArray>("redirectHost");
        QTest::addColumn<int>("status");
        QTest::addColumn<VersionCheckResult>("expected");
        QTest::newRow("list served as an error page")
            << QByteArray() << 404 << VersionCheckResult::Unreachable;
        QTest::newRow("moved on the same host")
            << QByteArray("127.0.0.1") << 200 << VersionCheckResult::UpdateAvailable;
        QTest::newRow("moved to another host")
            << QByteArray("localhost") << 200 << VersionCheckResult::Unreachable;
    }
    void fetchRefusals()
    {
        QFETCH(QByteArray, redirectHost);
        QFETCH(int, status);
        const QByteArray list = ListWith("Koerszicht,Koerszicht101.exe,e,1500,0");
        LoopbackServer elsewhere;
        elsewhere.Serve(LoopbackReply::Page(list));
        LoopbackServer server;
        if (redirectHost.isEmpty())
            server.Serve(LoopbackReply::Page(list, status));
        else
            server.Serve(LoopbackReply::Redirect("http://" + redirectHost + ':' +
                                                 QByteArray::number(elsewhere.Port()) + "/versions.dat"));
        const auto check =
            Update::ReadVersionList(Product, OwnVersion, server.UrlText(QStringLiteral("/k/")));
        QTEST(check.result, "expected");
        QCOMPARE(elsewhere.RequestCount(),
                 check.result == VersionCheckResult::UpdateAvailable && !redirectHost.isEmpty() ? 1 : 0);
    }

    // A site that trickles its answer a byte at a time never stalls; the fetch still ends
    // within its bound (the window waits for it) with what arrived: too little to be a list.
    void tricklingSiteEndsWithinTheBound()
    {
        LoopbackServer server;
        server.Serve(LoopbackReply::Trickling(QByteArray(100000, 'x'), 200));
        QElapsedTimer clock;
        clock.start();
        const auto check =
            Update::ReadVersionList(Product, OwnVersion, server.UrlText(QStringLiteral("/k/")));
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed < Update::VersionListFetchBoundMs + 5000, QByteArray::number(elapsed));
        QCOMPARE(check.result, VersionCheckResult::NotListed);
        QCOMPARE(server.RequestCount(), 1);
    }
};

QTEST_GUILESS_MAIN(TestVersionList)
#include "tst_versionlist.moc"
