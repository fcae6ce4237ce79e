// The settings that persist between runs: the window, the day count, the trend-line ends and
// the web sites, and the day count of a first start.
#include "session/ProgramSettings.h"
#include "session/Session.h"
#include "support/SettingsStore.h"
#include "testsupport/TestSupport.h"

#include <QSettings>
#include <QtTest>

class TestProgramSettings : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        TestSupport::IniFile().remove("Sources");
    }

    void windowValues_data()
    {
        QTest::addColumn<QVariantMap>("stored");
        QTest::addColumn<QList<int>>("read"); // top, left, width, height, day count
        QTest::addColumn<bool>("dayCountStored");
        QTest::newRow("nothing stored: the defaults")
            << QVariantMap() << QList<int>{1, 1, 720, 540, 200} << false;
        QTest::newRow("as stored")
            << QVariantMap{{"Top", 30}, {"Left", 40}, {"Width", 800}, {"Height", 600}, {"Dagen", 301}}
            << QList<int>{30, 40, 800, 600, 301} << true;
        QTest::newRow("top -50") << QVariantMap{{"Top", -50}, {"Left", 10}}
                                 << QList<int>{1, 10, 720, 540, 200} << false;
        QTest::newRow("top 0, left 0")
            << QVariantMap{{"Top", 0}, {"Left", 0}} << QList<int>{1, 1, 720, 540, 200} << false;
        QTest::newRow("day count too small")
            << QVariantMap{{"Dagen", 7}} << QList<int>{1, 1, 720, 540, 35} << true;
        QTest::newRow("day count negative")
            << QVariantMap{{"Dagen", -14}} << QList<int>{1, 1, 720, 540, 35} << true;
        QTest::newRow("day count too large")
            << QVariantMap{{"Dagen", 99999}} << QList<int>{1, 1, 720, 540, 20000} << true;
        QTest::newRow("unreadable values") << QVariantMap{{"Top", "abc"}, {"Width", ""}, {"Dagen", "veel"}}
                                           << QList<int>{1, 1, 720, 540, 200} << true;
        // A damaged settings file asked for a window of 100000 x 100000 pixels: the toolkit
        // crashed painting it. The size is held to what a screen can show.
        const auto size = [](const QVariant& width, const QVariant& height) {
            return QVariantMap{{"Width", width}, {"Height", height}};
        };
        QTest::newRow("far beyond any screen")
            << size(100000, 100000) << QList<int>{1, 1, 8192, 8192, 200} << false;
        QTest::newRow("largest integer")
            << size(2147483647, 600) << QList<int>{1, 1, 8192, 600, 200} << false;
        QTest::newRow("the limit itself") << size(8192, 1) << QList<int>{1, 1, 8192, 1, 200} << false;
        QTest::newRow("an ordinary size") << size(1920, 1080) << QList<int>{1, 1, 1920, 1080, 200} << false;
    }
    void windowValues()
    {
        QFETCH(QVariantMap, stored);
        QFETCH(QList<int>, read);
        QFETCH(bool, dayCountStored);
        TestSupport::StoreDefaults(stored);
        const WindowSettings values = ProgramSettings().ReadWindow();
        QCOMPARE((QList<int>{values.top, values.left, values.width, values.height, values.dayCount}), read);
        QCOMPARE(values.dayCountStored, dayCountStored);
        // Written back, they read the same.
        QVERIFY(ProgramSettings().WriteWindow(values));
        const WindowSettings again = ProgramSettings().ReadWindow();
        QCOMPARE((QList<int>{again.top, again.left, again.width, again.height, again.dayCount}), read);
        QVERIFY(again.dayCountStored);
    }

    // 200 days show the 169 days before today: a history whose newest value is up to 79 days
    // old still shows a quarter year (91 days) of it; an older one gets half a year (182 days).
    void firstStartDayCount_data()
    {
        QTest::addColumn<int>("dayCount");
        QTest::addColumn<int>("age"); // of the newest value, in days before today
        QTest::addColumn<int>("result");
        QTest::newRow("no value") << 200 << -1 << 200;
        QTest::newRow("newest value today") << 200 << 0 << 200;
        QTest::newRow("a value after today") << 200 << -20 << 200;
        QTest::newRow("79 days") << 200 << 79 << 200;
        QTest::newRow("80 days: to 292, in steps of 7") << 200 << 80 << 298;
        QTest::newRow("ten months") << 200 << 301 << 515;
        QTest::newRow("a larger count shows enough") << 700 << 301 << 700;
        QTest::newRow("sixty years: the largest count") << 200 << 21915 << 20000;
    }
    void firstStartDayCount()
    {
        QFETCH(int, dayCount);
        QFETCH(int, age);
        QFETCH(int, result);
        const int today = 46364;
        const int lastValued = age == -1 ? -1 : today - age;
        QCOMPARE(FirstStartDayCount(dayCount, lastValued, today), result);
        if (result != dayCount && result != 20000) {
            QCOMPARE((result - dayCount) % 7, 0);
            // Half a year up to the newest value, and not a step more.
            QVERIFY(lastValued - (today + 31 - result) + 1 >= 182);
            QVERIFY(lastValued - (today + 31 - (result - 7)) + 1 < 182);
        }
    }

    // The sites as read and as closing leaves them: what is written stays, an absent site is
    // written with its default, and a site read without a final slash gets one.
    void sites_data()
    {
        QTest::addColumn<QVariantMap>("written");
        QTest::addColumn<QStringList>("read");   // the quote, closing-prices and maker sites
        QTest::addColumn<QStringList>("stored"); // the same, in the file after closing
        const QString quotes = "http://koersen.example/", closes = "http://slotkoersen.example/",
                      maker = "http://www.koerszicht.example/";
        QTest::newRow("an edited site") << QVariantMap{{"QuoteSite", "http://127.0.0.1:8080/koers/"}}
                                        << QStringList{"http://127.0.0.1:8080/koers/", closes, maker}
                                        << QStringList{"http://127.0.0.1:8080/koers/", closes, maker};
        QTest::newRow("the others absent") << QVariantMap{{"MakerSite", "http://localhost:9000/"}}
                                           << QStringList{quotes, closes, "http://localhost:9000/"}
                                           << QStringList{quotes, closes, "http://localhost:9000/"};
        QTest::newRow("no final slash") << QVariantMap{{"MakerSite", "http://localhost:9000/site"}}
                                        << QStringList{quotes, closes, "http://localhost:9000/site/"}
                                        << QStringList{quotes, closes, "http://localhost:9000/site"};
    }
    void sites()
    {
        QFETCH(QVariantMap, written);
        QFETCH(QStringList, read);
        QFETCH(QStringList, stored);
        {
            const auto settings = Support::OpenSettings();
            for (auto it = written.begin(); it != written.end(); ++it)
                settings->setValue("Sources/" + it.key(), it.value());
        }
        ProgramSettings().WriteMissingSources();
        const Sources after = ProgramSettings().ReadSources();
        QCOMPARE((QStringList{after.quoteSite, after.closingPricesSite, after.makerSite}), read);
        QSettings ini = TestSupport::IniFile();
        QCOMPARE((QStringList{ini.value("Sources/QuoteSite").toString(),
                              ini.value("Sources/ClosingPricesSite").toString(),
                              ini.value("Sources/MakerSite").toString()}),
                 stored);
    }

    // Closing writes the source lists and the default sources' groups when absent; what comes
    // back reads as the defaults do, special characters of the addresses included.
    void defaultSourcesRoundTrip()
    {
        ProgramSettings().WriteMissingSources();
        QSettings ini = TestSupport::IniFile();
        QCOMPARE(ini.value("Sources/QuoteSources").toString(), QString("yahoo-chart,page"));
        QCOMPARE(ini.value("Sources/ClosingPricesSources").toString(),
                 QString("euronext-csv,yahoo-history,list"));
        QCOMPARE(ini.value("Source-euronext-csv/Kind").toString(), QString("csv-series"));
        QCOMPARE(ini.value("Source-list/Kind").toString(), QString("list"));
        QVERIFY(ini.value("Source-yahoo-chart/Url").toString().contains("%5EAEX"));

        // Read from the file only: the defaults in the code are not consulted for a written group.
        std::vector<Quotes::SourceDefinition> read = ProgramSettings().ReadClosingPricesSources();
        const std::vector<Quotes::SourceDefinition> defaults = Quotes::DefaultSourceDefinitions();
        QCOMPARE(read.size(), 3u);
        for (const Quotes::SourceDefinition& source : read) {
            const auto same = std::find_if(defaults.begin(), defaults.end(),
                                           [&](const auto& known) { return known.name == source.name; });
            QVERIFY(same != defaults.end());
            QCOMPARE(source.kind, same->kind);
            QCOMPARE(source.url, same->url);
            QCOMPARE(source.userAgent, same->userAgent);
            QCOMPARE(source.headers, same->headers);
            QCOMPARE(source.selectors, same->selectors);
        }
    }

    // What users write: a group is never overwritten, a default group is filled in key by key,
    // a new name of a known kind is a source, and whatever is not reads as kind Unknown.
    void userSources_data()
    {
        QTest::addColumn<QVariantMap>("written");
        QTest::addColumn<QStringList>("read"); // name|kind|url|agent per source of QuoteSources

        QTest::newRow("nothing written: the defaults")
            << QVariantMap()
            << QStringList{"yahoo-chart|json-quote|https://query1.finance.yahoo.com/v8/finance/"
                           "chart/%5EAEX?interval=1d&range=1d|Mozilla/5.0 (compatible; Koerszicht/1.0.0)",
                           "page|page||"};
        QTest::newRow("own agent for a default source")
            << QVariantMap{{"Sources/QuoteSources", "yahoo-chart"},
                           {"Source-yahoo-chart/UserAgent", "Firefox/140"}}
            << QStringList{"yahoo-chart|json-quote|https://query1.finance.yahoo.com/v8/finance/chart/"
                           "%5EAEX?interval=1d&range=1d|Firefox/140"};
        QTest::newRow("the agent an earlier version wrote follows the default")
            << QVariantMap{{"Sources/QuoteSources", "yahoo-chart"},
                           {"Source-yahoo-chart/UserAgent", "Mozilla/5.0"}}
            << QStringList{"yahoo-chart|json-quote|https://query1.finance.yahoo.com/v8/finance/chart/"
                           "%5EAEX?interval=1d&range=1d|Mozilla/5.0 (compatible; Koerszicht/1.0.0)"};
        QTest::newRow("a mirror of a known kind, first")
            << QVariantMap{{"Sources/QuoteSources", "mirror, page"},
                           {"Source-mirror/Kind", "json-quote"},
                           {"Source-mirror/Url", "http://127.0.0.1:8080/aex.json"}}
            << QStringList{"mirror|json-quote|http://127.0.0.1:8080/aex.json|", "page|page||"};
        QTest::newRow("unknown kind, no group, bad name")
            << QVariantMap{{"Sources/QuoteSources", "xml,nowhere,a b,page"}, {"Source-xml/Kind", "xml-quote"}}
            << QStringList{"xml|unknown||", "nowhere|unknown||", "a b|unknown||", "page|page||"};
        QTest::newRow("empty list: the defaults")
            << QVariantMap{{"Sources/QuoteSources", ""}}
            << QStringList{"yahoo-chart|json-quote|https://query1.finance.yahoo.com/v8/finance/chart/"
                           "%5EAEX?interval=1d&range=1d|Mozilla/5.0 (compatible; Koerszicht/1.0.0)",
                           "page|page||"};
    }
    void userSources()
    {
        QFETCH(QVariantMap, written);
        {
            const auto settings = Support::OpenSettings();
            for (auto it = written.begin(); it != written.end(); ++it)
                settings->setValue(it.key(), it.value());
        }
        QStringList read;
        for (const Quotes::SourceDefinition& source : ProgramSettings().ReadQuoteSources())
            read << QString::fromStdString(source.name + "|" + Quotes::SourceKindName(source.kind) + "|" +
                                           source.url + "|" + source.userAgent);
        QTEST(read, "read");

        // Closing fills in what is absent and leaves every written group as it was.
        ProgramSettings().WriteMissingSources();
        QSettings ini = TestSupport::IniFile();
        for (auto it = written.begin(); it != written.end(); ++it)
            QCOMPARE(ini.value(it.key()), it.value());
        if (written.contains("Source-yahoo-chart/UserAgent"))
            QVERIFY(!ini.contains("Source-yahoo-chart/Url"));
        QCOMPARE(ini.value("Source-page/Kind").toString(), QString("page"));
    }

    // A list edited by hand without quotes reads as QSettings' list; it is the same list.
    void handEditedList()
    {
        QVERIFY(TestSupport::WriteHandEditedSettings("[Sources]\nQuoteSources=page, yahoo-chart\n"));
        const std::vector<Quotes::SourceDefinition> read = ProgramSettings().ReadQuoteSources();
        QCOMPARE(read.size(), 2u);
        QCOMPARE(read[0].kind, Quotes::SourceKind::Page);
        QCOMPARE(read[1].kind, Quotes::SourceKind::JsonQuote);
    }
};

QTEST_GUILESS_MAIN(TestProgramSettings)
#include "tst_programsettings.moc"
