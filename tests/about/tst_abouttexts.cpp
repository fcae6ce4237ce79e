// What the About box says in each language, and the addresses it hands to the desktop.

#include "about/AboutTexts.h"

#include <QUrlQuery>
#include <QtTest>

using namespace About;

namespace {

const ProductFacts Facts{"Koerszicht", "versie 1.00d", "Koerszicht, versie 1.00d - [AEX-Index]",
                         "http://www.koerszicht.example/"};

// The language as the system's three-letter code names it.
Support::Language LanguageOf(const QString& code)
{
    return Support::LanguageOfCode(code.toStdString());
}

QString Q(const std::string& text)
{
    return QString::fromLatin1(text);
}

QStringList Q(const std::vector<std::string>& lines)
{
    QStringList list;
    for (const std::string& line : lines)
        list << Q(line);
    return list;
}

// Positions (from 1) of the empty lines.
QList<int> EmptyLines(const std::vector<std::string>& lines)
{
    QList<int> empty;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].empty())
            empty << int(i + 1);
    return empty;
}

} // namespace

class TestAboutTexts : public QObject
{
    Q_OBJECT

private slots:
    void languageTexts_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("dutch");
        // Which codes read as Dutch: tst_texts.
        QTest::newRow("Dutch") << "NLD" << true;
        QTest::newRow("English") << "ENU" << false;
    }

    void languageTexts()
    {
        QFETCH(QString, language);
        QFETCH(bool, dutch);
        const AboutTexts texts = TextsFor(LanguageOf(language), Facts);

        QCOMPARE(texts.label2.front() == ' ', dutch);
        QCOMPARE(Q(texts.label2), dutch ? QStringLiteral(" Geeft meer inzicht in het koersverloop.")
                                        : QStringLiteral("Gives more insight in the prices."));
        QCOMPARE(Q(texts.caption),
                 dutch ? QStringLiteral("Koerszicht, versie 1.00d - [AEX-Index] - Informatie")
                       : QStringLiteral("Koerszicht, versie 1.00d - [AEX-Index] - Information"));
        QCOMPARE(Q(texts.authorCaption),
                 dutch ? QStringLiteral("Koerszicht - Auteur") : QStringLiteral("Koerszicht - Author"));
        QCOMPARE(Q(texts.authorHint), QStringLiteral("Toon auteur"));

        QCOMPARE(texts.mailLines.size(), std::size_t(12));
        QCOMPARE(EmptyLines(texts.mailLines), (QList<int>{2, 3, 5, 7, 8, 9, 10, 11}));
        QCOMPARE(Q(texts.mailLines[11]),
                 dutch ? QStringLiteral("Met vriendelijke groet,") : QStringLiteral("Kind regards,"));
        QCOMPARE(texts.authorLines.size(), std::size_t(13));
        QCOMPARE(EmptyLines(texts.authorLines), (QList<int>{1, 3, 8, 11}));
        QCOMPARE(Q(texts.authorLines[9]), QStringLiteral("http://www.koerszicht.example/"));
    }

    // The texts that name the product follow ProductName; the English HomeBtn hint is fixed.
    void productNameIsFollowed_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("label1");
        QTest::addColumn<QString>("mailHint");
        QTest::addColumn<QString>("homeHint");
        QTest::addColumn<QString>("mailLine4");
        QTest::addColumn<QString>("authorLine2");
        QTest::newRow("Dutch") << "NLD"
                               << "Proefnaam toont trendlijnen bij de AEX."
                               << "Stuur uw opmerkingen naar de auteur van Proefnaam"
                               << "Ga naar mijn Home Page"
                               << "Ik vond op je Home Page het programma Proefnaam."
                               << "Het programma Proefnaam is geschreven door:";
        QTest::newRow("English") << "ENU"
                                 << "Proefnaam shows trend lines of the AEX."
                                 << "Contact the author of Proefnaam"
                                 << "Download the newest version of Koerszicht"
                                 << "On you Home Page I found the program Proefnaam."
                                 << "The program Proefnaam has been written by:";
    }

    void productNameIsFollowed()
    {
        QFETCH(QString, language);
        ProductFacts facts = Facts;
        facts.productName = "Proefnaam";
        facts.mainCaption = "Hoofdvenster";
        const AboutTexts texts = TextsFor(LanguageOf(language), facts);
        QTEST(Q(texts.label1), "label1");
        QTEST(Q(texts.mailHint), "mailHint");
        QTEST(Q(texts.homeHint), "homeHint");
        QTEST(Q(texts.mailLines[3]), "mailLine4");
        QTEST(Q(texts.authorLines[1]), "authorLine2");
        QVERIFY(Q(texts.authorCaption).startsWith(QLatin1String("Proefnaam - ")));
        QVERIFY(Q(texts.caption).startsWith(QLatin1String("Hoofdvenster - ")));
    }

    void mailAddressText_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Dutch")
            << "NLD"
            << "mailto:info@koerszicht.example?Subject=Programma Koerszicht, versie 1.00d&Body="
               "Beste makers van Koerszicht,%0D%0A%0D%0A%0D%0A"
               "Ik vond op je Home Page het programma Koerszicht.%0D%0A%0D%0A"
               "Ik wil hierover het volgende kwijt:%0D%0A%0D%0A%0D%0A%0D%0A%0D%0A%0D%0A"
               "Met vriendelijke groet,";
        QTest::newRow("English")
            << "ENU"
            << "mailto:info@koerszicht.example?Subject=Programma Koerszicht, versie 1.00d&Body="
               "Dear makers of Koerszicht,%0D%0A%0D%0A%0D%0A"
               "On you Home Page I found the program Koerszicht.%0D%0A%0D%0A"
               "I want to comment on this program:%0D%0A%0D%0A%0D%0A%0D%0A%0D%0A%0D%0A"
               "Kind regards,";
    }

    void mailAddressText()
    {
        QFETCH(QString, language);
        QFETCH(QString, expected);
        const AboutTexts texts = TextsFor(LanguageOf(language), Facts);
        const std::string address =
            MailAddressText(ProjectMailAddress, "Koerszicht", "versie 1.00d", texts.mailLines);
        QCOMPARE(Q(address), expected);

        const QString body = Q(address).section(QStringLiteral("&Body="), 1);
        QCOMPARE(body.split(QStringLiteral("%0D%0A")), Q(texts.mailLines));
    }

    void mailBody_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("body");
        QTest::newRow("no lines") << QStringList() << "";
        QTest::newRow("one line, no separator") << QStringList{"Hallo"} << "Hallo";
        QTest::newRow("only empty lines") << QStringList{"", "", ""} << "%0D%0A%0D%0A";
        QTest::newRow("empty last line keeps its separator") << QStringList{"a", ""} << "a%0D%0A";
        QTest::newRow("blanks and punctuation pass as they are")
            << QStringList{"Koers: 1.234,5 & meer?", "100% #1"} << "Koers: 1.234,5 & meer?%0D%0A100% #1";
    }

    void mailBody()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, body);
        std::vector<std::string> list;
        for (const QString& line : lines)
            list.push_back(line.toStdString());
        QCOMPARE(Q(MailBody(list)), body);
    }

    void downloadPage_data()
    {
        QTest::addColumn<QString>("site");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Dutch") << "http://www.koerszicht.example/"
                               << "NLD"
                               << "http://www.koerszicht.example/downloads_n.php#Koerszicht";
        QTest::newRow("English") << "http://www.koerszicht.example/"
                                 << "ENU"
                                 << "http://www.koerszicht.example/downloads_e.php#Koerszicht";
        QTest::newRow("other code: English page") << "http://127.0.0.1:8080/site/"
                                                  << "FRA"
                                                  << "http://127.0.0.1:8080/site/downloads_e.php#Koerszicht";
    }

    void downloadPage()
    {
        QFETCH(QString, site);
        QFETCH(QString, language);
        QFETCH(QString, expected);
        const std::string address =
            DownloadPageAddress(site.toStdString(), LanguageOf(language), "Koerszicht");
        QCOMPARE(Q(address), expected);
        const QUrl url = AddressUrl(address);
        QVERIFY(url.isValid());
        QCOMPARE(url.fragment(), QStringLiteral("Koerszicht"));
    }

    // The desktop gets the address with its line breaks still escaped once, not twice, and
    // with blanks encoded.
    void addressUrlKeepsTheEscapes()
    {
        const AboutTexts texts = TextsFor(Support::Language::Dutch, Facts);
        const std::string address =
            MailAddressText(ProjectMailAddress, "Koerszicht", "versie 1.00d", texts.mailLines);
        const QUrl url = AddressUrl(address);
        QVERIFY(url.isValid());
        QCOMPARE(url.scheme(), QStringLiteral("mailto"));
        QCOMPARE(url.path(), QStringLiteral("info@koerszicht.example"));
        const QByteArray encoded = url.toEncoded();
        QCOMPARE(encoded.count("%0D%0A"), 11);
        QVERIFY(!encoded.contains("%25"));
        QVERIFY(!encoded.contains(' '));
        QCOMPARE(QUrlQuery(url).queryItemValue(QStringLiteral("Subject"), QUrl::FullyDecoded),
                 QStringLiteral("Programma Koerszicht, versie 1.00d"));
        QCOMPARE(QUrlQuery(url)
                     .queryItemValue(QStringLiteral("Body"), QUrl::FullyDecoded)
                     .count(QLatin1Char('\n')),
                 11);
    }

    void addressUrlEncodesSingleByteText()
    {
        // A single-byte text with a letter outside ASCII reaches the desktop as UTF-8.
        const QUrl url = AddressUrl("http://www.koerszicht.example/downloads_n.php#Caf\xE9");
        QVERIFY(url.isValid());
        QCOMPARE(url.fragment(), QStringLiteral("Caf\u00E9"));
        QVERIFY(url.toEncoded().endsWith("#Caf%C3%A9"));
    }
};

QTEST_MAIN(TestAboutTexts)
#include "tst_abouttexts.moc"
