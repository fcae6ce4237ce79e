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
        // -1 and TextCount name no text: a number cast to a Text still gives one.
        for (int id = -1; id <= Support::TextCount; ++id)
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
        const auto row = [](const char* name, Text text, const char* dutch, const char* english) {
            QTest::newRow(name) << text << QByteArray(dutch) << QByteArray(english);
        };
        row("day count", Text::DayCountLabel, "Aantal dagen", "Number of days");
        row("market closed, start", Text::MarketClosedStart, "De beurs ", "The market ");
        row("market closed, middle", Text::MarketClosedMiddle, "is ", "is ");
        row("market closed, end", Text::MarketClosedEnd, "gesloten", "closed");
        row("About button", Text::AboutHint, "Over...", "About...");
        row("handle: the same in both", Text::HandleHint, "Sleep om een lijn te tekenen",
            "Sleep om een lijn te tekenen");
        row("quote download failed", Text::DownloadFailed, "Het downloaden van de AEX is niet gelukt.",
            "The download of the AEX failed.");
        row("plot without values", Text::PlotNoValues, "Geen koersen", "No prices");
        row("plot with old values", Text::PlotNoValuesAfter, "Geen koersen na ", "No prices after ");
        row("save failure, after the path", Text::SaveFailureEnd,
            ".\n\nHet vorige bestand is onveranderd, maar de koersen van deze sessie gaan verloren "
            "als u sluit zonder opslaan. Maak ruimte vrij op de schijf of maak de map beschrijfbaar "
            "en probeer het opnieuw.",
            ".\n\nThe previous file is unchanged, but the prices of this session are lost if you "
            "close without saving. Free some space on the disk or make the folder writable and try "
            "again.");
        row("load error 1", Text::LoadErrorNoConnection, "Fout 1; Geen internetverbinding",
            "Error 1; No internet connection");
        row("hover value label", Text::HoverValueLabel, "Koers:", "Price:");
        row("retry", Text::RetryButton, "Opnieuw proberen", "Try again");
        row("close without saving", Text::CloseWithoutSavingButton, "Sluiten zonder opslaan",
            "Close without saving");
        row("update advised", Text::UpdateAdvised, "Een Update wordt aanbevolen", "Update is advised");
        row("design caption of the second button", Text::CloseWindowButton, "Sluit venster", "Close window");
        row("not signed, with the Latin-1 i-diaeresis", Text::NotSignedEnd,
            " is niet ondertekend: het bestand is verwijderd en wordt niet ge\xEFnstalleerd.",
            " is not signed: the file has been deleted and will not be installed.");
        row("About, second label with its leading blank", Text::AboutLabel2,
            " Geeft meer inzicht in het koersverloop.", "Gives more insight in the prices.");
    }
    void dutchWording()
    {
        QFETCH(Text, text);
        QFETCH(QByteArray, dutch);
        QFETCH(QByteArray, english);
        QCOMPARE(QByteArray(TextFor(text, Language::Dutch)), dutch);
        QCOMPARE(QByteArray(TextFor(text, Language::English)), english);
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
        const auto row = [](const char* name, const char* versionText, const char* language,
                            const char* shown) {
            QTest::newRow(name) << QByteArray(versionText) << QByteArray(language) << QByteArray(shown);
        };
        row("Dutch keeps the Dutch word", "versie 1.00d", "NLD", "versie 1.00d");
        row("English", "versie 1.00d", "ENU", "version 1.00d");
        row("any other language is English", "versie 1.00d", "DEU", "version 1.00d");
        row("empty language code is English", "versie 2.13z", "", "version 2.13z");
        row("the product's own text", Support::VersionText, "ENU", "version 1.00d");
        row("already English", "version 1.00d", "ENU", "version 1.00d");
        row("no word", "1.00d", "ENU", "1.00d");
        row("word without a blank after it", "versie1.00d", "ENU", "versie1.00d");
        row("a longer word", "versies 1.00d", "ENU", "versies 1.00d");
        row("word inside the text", "beta versie 1.00d", "ENU", "beta versie 1.00d");
        row("empty", "", "ENU", "");
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
