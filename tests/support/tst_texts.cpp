// The catalogue of the program's texts: every text in both languages, the Dutch wording the
// program has always shown, the language a system's code names and the version text in it.

#include "support/Product.h"
#include "support/Texts.h"

#include <QTest>
#include <cstring>

using Support::Language;
using Support::Text;
using Support::TextFor;

Q_DECLARE_METATYPE(Support::Text)

class TestTexts : public QObject
{
    Q_OBJECT

private slots:
    void everyTextInBothLanguages_data()
    {
        QTest::addColumn<int>("id");
        for (int id = 0; id < Support::TextCount; ++id)
            QTest::newRow(QByteArray::number(id).constData()) << id;
    }
    void everyTextInBothLanguages()
    {
        QFETCH(int, id);
        for (const Language language : {Language::Dutch, Language::English}) {
            const char* text = TextFor(static_cast<Text>(id), language);
            QVERIFY(text != nullptr);
            QVERIFY(std::strlen(text) > 0);
            // Single-byte texts: no UTF-8 sequences (a lead byte 0xC2/0xC3 followed by a
            // continuation byte), no control characters other than the line break.
            for (const char* at = text; *at; ++at) {
                const auto byte = static_cast<unsigned char>(*at);
                QVERIFY2(byte >= 0x20 || byte == '\n', text);
                QVERIFY2(
                    !((byte == 0xC2 || byte == 0xC3) && (static_cast<unsigned char>(at[1]) & 0xC0) == 0x80),
                    text);
            }
        }
    }

    // What the program shows in Dutch, to the byte.
    void dutchWording_data()
    {
        QTest::addColumn<Text>("text");
        QTest::addColumn<QByteArray>("dutch");
        QTest::addColumn<QByteArray>("english");
        QTest::newRow("day count") << Text::DayCountLabel << QByteArray("Aantal dagen")
                                   << QByteArray("Number of days");
        QTest::newRow("market closed, start")
            << Text::MarketClosedStart << QByteArray("De beurs ") << QByteArray("The market ");
        QTest::newRow("market closed, middle")
            << Text::MarketClosedMiddle << QByteArray("is ") << QByteArray("is ");
        QTest::newRow("market closed, end")
            << Text::MarketClosedEnd << QByteArray("gesloten") << QByteArray("closed");
        QTest::newRow("About button") << Text::AboutHint << QByteArray("Over...") << QByteArray("About...");
        QTest::newRow("handle: the same in both")
            << Text::HandleHint << QByteArray("Sleep om een lijn te tekenen")
            << QByteArray("Sleep om een lijn te tekenen");
        QTest::newRow("quote download failed")
            << Text::DownloadFailed << QByteArray("Het downloaden van de AEX is niet gelukt.")
            << QByteArray("The download of the AEX failed.");
        QTest::newRow("plot without values")
            << Text::PlotNoValues << QByteArray("Geen koersen") << QByteArray("No prices");
        QTest::newRow("plot with old values")
            << Text::PlotNoValuesAfter << QByteArray("Geen koersen na ") << QByteArray("No prices after ");
        QTest::newRow("save failure, after the path")
            << Text::SaveFailureEnd
            << QByteArray(
                   ".\n\nHet vorige bestand is onveranderd, maar de koersen van deze sessie gaan verloren "
                   "als u sluit zonder opslaan. Maak ruimte vrij op de schijf of maak de map beschrijfbaar "
                   "en probeer het opnieuw.")
            << QByteArray(
                   ".\n\nThe previous file is unchanged, but the prices of this session are lost if you "
                   "close without saving. Free some space on the disk or make the folder writable and try "
                   "again.");
        QTest::newRow("load error 1")
            << Text::LoadErrorNoConnection << QByteArray("Fout 1; Geen internetverbinding")
            << QByteArray("Error 1; No internet connection");
        QTest::newRow("hover value label")
            << Text::HoverValueLabel << QByteArray("Koers:") << QByteArray("Price:");
        QTest::newRow("retry") << Text::RetryButton << QByteArray("Opnieuw proberen")
                               << QByteArray("Try again");
        QTest::newRow("close without saving")
            << Text::CloseWithoutSavingButton << QByteArray("Sluiten zonder opslaan")
            << QByteArray("Close without saving");
        QTest::newRow("update advised") << Text::UpdateAdvised << QByteArray("Een Update wordt aanbevolen")
                                        << QByteArray("Update is advised");
        QTest::newRow("design caption of the second button")
            << Text::CloseWindowButton << QByteArray("Sluit venster") << QByteArray("Close window");
        QTest::newRow("not signed, with the Latin-1 i-diaeresis")
            << Text::NotSignedEnd
            << QByteArray(" is niet ondertekend: het bestand is verwijderd en wordt niet ge\xEFnstalleerd.")
            << QByteArray(" is not signed: the file has been deleted and will not be installed.");
        QTest::newRow("About, second label with its leading blank")
            << Text::AboutLabel2 << QByteArray(" Geeft meer inzicht in het koersverloop.")
            << QByteArray("Gives more insight in the prices.");
    }
    void dutchWording()
    {
        QFETCH(Text, text);
        QFETCH(QByteArray, dutch);
        QFETCH(QByteArray, english);
        QCOMPARE(QByteArray(TextFor(text, Language::Dutch)), dutch);
        QCOMPARE(QByteArray(TextFor(text, Language::English)), english);
    }

    void notAText()
    {
        // A number cast to a Text that names none still gives a text, never a null pointer.
        QVERIFY(std::strlen(TextFor(static_cast<Text>(Support::TextCount), Language::Dutch)) > 0);
        QVERIFY(std::strlen(TextFor(static_cast<Text>(-1), Language::English)) > 0);
    }

    void languageOfCode_data()
    {
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<bool>("dutch");
        QTest::newRow("NLD") << QByteArray("NLD") << true;
        QTest::newRow("ENU") << QByteArray("ENU") << false;
        QTest::newRow("another code") << QByteArray("DEU") << false;
        QTest::newRow("lower case") << QByteArray("nld") << false;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("longer") << QByteArray("NLDX") << false;
    }
    void languageOfCode()
    {
        QFETCH(QByteArray, code);
        QFETCH(bool, dutch);
        QCOMPARE(Support::LanguageOfCode(code.toStdString()) == Language::Dutch, dutch);
    }

    // The product's version text as a Dutch or an English window shows it.
    void versionTextIn_data()
    {
        QTest::addColumn<QByteArray>("versionText");
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("Dutch keeps the Dutch word")
            << QByteArray("versie 1.00d") << QByteArray("NLD") << QByteArray("versie 1.00d");
        QTest::newRow("English") << QByteArray("versie 1.00d") << QByteArray("ENU")
                                 << QByteArray("version 1.00d");
        QTest::newRow("any other language is English")
            << QByteArray("versie 1.00d") << QByteArray("DEU") << QByteArray("version 1.00d");
        QTest::newRow("empty language code is English")
            << QByteArray("versie 2.13z") << QByteArray() << QByteArray("version 2.13z");
        QTest::newRow("the product's own text")
            << QByteArray(Support::VersionText) << QByteArray("ENU") << QByteArray("version 1.00d");
        QTest::newRow("already English")
            << QByteArray("version 1.00d") << QByteArray("ENU") << QByteArray("version 1.00d");
        QTest::newRow("no word") << QByteArray("1.00d") << QByteArray("ENU") << QByteArray("1.00d");
        QTest::newRow("word without a blank after it")
            << QByteArray("versie1.00d") << QByteArray("ENU") << QByteArray("versie1.00d");
        QTest::newRow("a longer word")
            << QByteArray("versies 1.00d") << QByteArray("ENU") << QByteArray("versies 1.00d");
        QTest::newRow("word inside the text")
            << QByteArray("beta versie 1.00d") << QByteArray("ENU") << QByteArray("beta versie 1.00d");
        QTest::newRow("empty") << QByteArray() << QByteArray("ENU") << QByteArray();
    }
    void versionTextIn()
    {
        QFETCH(QByteArray, versionText);
        QFETCH(QByteArray, language);
        QFETCH(QByteArray, shown);
        // The language as the system's three-letter code names it.
        QCOMPARE(QByteArray::fromStdString(Support::VersionTextIn(
                     versionText.toStdString(), Support::LanguageOfCode(language.toStdString()))),
                 shown);
    }
};

QTEST_APPLESS_MAIN(TestTexts)
#include "tst_texts.moc"
