// The About box as the user meets it: filled by language, its two views, the mail message
// and the download page handed to an injected opener, and the error boxes when that fails.

#include "about/AboutForm.h"
#include "session/ProgramSettings.h"
#include "support/SettingsStore.h"
#include "testsupport/TestSupport.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <memory>

namespace {

const QString MainCaption = QStringLiteral("Koerszicht, versie 1.00d - [AEX-Index]");

struct SeenBox
{
    QString text;
    int buttons = 0;
    bool ok = false;
};

// Closes every message box that opens while it lives, and remembers what it said.
class BoxCloser : public QObject
{
public:
    BoxCloser()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen.append({box->text(), int(box->buttons().size()), box->button(QMessageBox::Ok) != nullptr});
            box->done(QMessageBox::Ok);
        });
        m_timer.start(10);
    }
    QList<SeenBox> seen;

private:
    QTimer m_timer;
};

// The maker site as the program hands it to the box: the setting (in this test's own settings
// file) as the program reads it, its default when absent.
QString MakerSiteFromSetting(const QVariant& value)
{
    {
        const auto settings = Support::OpenSettings();
        if (value.isValid())
            settings->setValue(QStringLiteral("Sources/MakerSite"), value);
        else
            settings->remove(QStringLiteral("Sources/MakerSite"));
    }
    return ProgramSettings().ReadSources().makerSite;
}

} // namespace

class TestAboutForm : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_owner;
    QList<QUrl> m_opened;

    // `language` as the system's three-letter code names it.
    std::unique_ptr<TAboutForm>
    MakeForm(const char* language, bool openSucceeds = true,
             const QString& makerSite = ProgramSettings::DefaultSources().makerSite)
    {
        auto form = std::make_unique<TAboutForm>(Support::LanguageOfCode(language), makerSite, m_owner.get());
        form->SetUrlOpener([this, openSucceeds](const QUrl& url) {
            m_opened.append(url);
            return openSucceeds;
        });
        return form;
    }

private slots:
    void init()
    {
        TestSupport::ResetUserFolders();
        m_owner = std::make_unique<QWidget>();
        m_owner->setWindowTitle(MainCaption);
        m_owner->setGeometry(100, 50, 600, 500);
        m_opened.clear();
    }

    void cleanup() { m_owner.reset(); }

    // The Dutch texts in their places; the English ones: tst_abouttexts.
    void filledWithItsTexts()
    {
        const auto form = MakeForm("NLD");
        QCOMPARE(form->windowTitle(), MainCaption + " - Informatie");
        QCOMPARE(form->Label2->text(), QStringLiteral(" Geeft meer inzicht in het koersverloop."));
        QCOMPARE(form->HomeBtn->toolTip(), QStringLiteral("Ga naar mijn Home Page"));
        QCOMPARE(form->AuthorBtn->toolTip(), QStringLiteral("Toon auteur"));
        QCOMPARE(form->NameLabel->text(), QStringLiteral("Koerszicht"));

        const QStringList mail = form->MailMemo->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(mail.size(), 12);
        QCOMPARE(mail.first(), QStringLiteral("Beste makers van Koerszicht,"));
        QCOMPARE(form->AuthorMemo->toPlainText().count(QLatin1Char('\n')), 12);
        QVERIFY(!form->MailMemo->isVisibleTo(form.get()));
    }

    // The captions in each language: tst_abouttexts; OK in the author view closes the box as
    // Enter there does in okClosesTheBox.
    void authorViewAndBack()
    {
        const auto form = MakeForm("NLD");
        form->show();
        QVERIFY(form->OKBtn->isDefault());

        form->AuthorBtn->click();
        QVERIFY(!form->MainPanel->isVisible());
        QVERIFY(form->AuthorMemo->isVisible());
        QVERIFY(form->OKBtn1->isVisible());
        QVERIFY(form->OKBtn1->isDefault());
        QCOMPARE(form->windowTitle(), QStringLiteral("Koerszicht - Auteur"));

        // The next opening starts in the main view.
        form->OKBtn1->click();
        form->show();
        QVERIFY(form->MainPanel->isVisible());
        QVERIFY(form->OKBtn->isDefault());
    }

    void okClosesTheBox_data()
    {
        QTest::addColumn<bool>("authorView");
        QTest::addColumn<bool>("byEnter");
        QTest::newRow("OK clicked") << false << false;
        QTest::newRow("Enter in the main view") << false << true;
        QTest::newRow("Enter in the author view") << true << true;
    }

    void okClosesTheBox()
    {
        QFETCH(bool, authorView);
        QFETCH(bool, byEnter);
        const auto form = MakeForm("NLD");
        form->show();
        QApplication::setActiveWindow(form.get());
        if (authorView)
            form->AuthorBtn->click();
        form->setResult(QDialog::Rejected);
        if (byEnter)
            QTest::keyClick(form.get(), Qt::Key_Return);
        else
            form->OKBtn->click();
        QVERIFY(!form->isVisible());
        QCOMPARE(form->result(), int(QDialog::Accepted));
        QCOMPARE(form->windowTitle(), MainCaption + " - Informatie");
        QVERIFY(m_opened.isEmpty());
    }

    // The address is composed of what MailMemo holds when the button is pressed (the address
    // of the memo's first lines in each language: tst_abouttexts::mailAddressText).
    void mailOpensTheComposedAddress()
    {
        const auto form = MakeForm("NLD");
        form->show();
        BoxCloser closer;
        form->MailMemo->setPlainText(QStringLiteral("a\n\nb c"));
        form->MailBtn->click();
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened.first(), About::AddressUrl("mailto:info@koerszicht.example?Subject=Programma "
                                                     "Koerszicht, versie 1.00d&Body=a%0D%0A%0D%0Ab c"));
        QVERIFY(closer.seen.isEmpty());
        QVERIFY(form->isVisible());
    }

    void failingOpenShowsTheErrorBox_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<bool>("mail");
        QTest::addColumn<QString>("message");
        QTest::newRow("mail, Dutch") << QByteArray("NLD") << true << "E-mail is in de fout gegaan.";
        QTest::newRow("mail, English") << QByteArray("ENU") << true << "Error sending E-mail.";
        QTest::newRow("home, Dutch") << QByteArray("NLD") << false << "Browser niet geopend.";
        QTest::newRow("home, English") << QByteArray("ENU") << false << "Browser not opened.";
    }

    void failingOpenShowsTheErrorBox()
    {
        QFETCH(QByteArray, language);
        QFETCH(bool, mail);
        QFETCH(QString, message);
        const auto form = MakeForm(language.constData(), false);
        form->show();
        BoxCloser closer;
        (mail ? form->MailBtn : form->HomeBtn)->click();
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(closer.seen.size(), 1);
        QCOMPARE(closer.seen.first().text, message);
        QCOMPARE(closer.seen.first().buttons, 1);
        QVERIFY(closer.seen.first().ok);
        // The box stays as it was.
        QVERIFY(form->isVisible());
        QVERIFY(form->MainPanel->isVisible());
    }

    void homeFollowsTheMakerSite_data()
    {
        QTest::addColumn<QByteArray>("language");
        QTest::addColumn<QVariant>("makerSite");
        QTest::addColumn<QByteArray>("expected");
        // The page for each language: tst_abouttexts; the final slash the settings add:
        // tst_programsettings; here the site as the settings give it.
        QTest::newRow("default site, Dutch")
            << QByteArray("NLD") << QVariant()
            << QByteArray("http://www.koerszicht.example/downloads_n.php#Koerszicht");
        QTest::newRow("hand-edited site with a blank")
            << QByteArray("ENU") << QVariant(QStringLiteral("http://127.0.0.1:9/nieuwe map/"))
            << QByteArray("http://127.0.0.1:9/nieuwe%20map/downloads_e.php#Koerszicht");
        QTest::newRow("hand-edited site with a letter outside ASCII")
            << QByteArray("ENU") << QVariant(QStringLiteral("http://127.0.0.1:9/\u0161/"))
            << QByteArray("http://127.0.0.1:9/%C5%A1/downloads_e.php#Koerszicht");
    }

    void homeFollowsTheMakerSite()
    {
        QFETCH(QByteArray, language);
        QFETCH(QVariant, makerSite);
        QFETCH(QByteArray, expected);
        const auto form = MakeForm(language.constData(), true, MakerSiteFromSetting(makerSite));
        form->HomeBtn->click();
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened.first().toEncoded(), expected);
    }

    // A large desktop font changes nothing: the layout is in pixels.
    void fixedLayoutIgnoresTheDesktopFont()
    {
        const QFont desktopFont = QApplication::font();
        QFont large = desktopFont;
        large.setPointSize(24);
        QApplication::setFont(large);
        const auto form = MakeForm("NLD");
        QApplication::setFont(desktopFont);

        QCOMPARE(form->size(), QSize(371, 257));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        QCOMPARE(form->NameLabel->font().pixelSize(), 48);
        QVERIFY(form->NameLabel->font().bold());
        QVERIFY(form->NameLabel->font().italic());
        for (const QLabel* label :
             {form->NameLabel, form->VersionLabel, form->CopyrightLabel, form->Label1, form->Label2}) {
            const QFontMetrics metrics(label->font());
            QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(),
                     qPrintable(label->objectName()));
            QVERIFY2(metrics.height() <= label->height() + 2, qPrintable(label->objectName()));
        }
        const Qt::WindowFlags captionButtons =
            Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint | Qt::WindowContextHelpButtonHint;
        QCOMPARE(form->windowFlags() & captionButtons, Qt::WindowFlags());
    }

    void centredOnTheMainWindow_data()
    {
        QTest::addColumn<QRect>("owner");
        QTest::newRow("main window on the screen") << QRect(40, 30, 700, 500);
        // Kept on the screen whichever edge it reaches past: tst_screenplacement.
        QTest::newRow("main window reaching past the lower right") << QRect(600, 450, 720, 540);
    }

    void centredOnTheMainWindow()
    {
        QFETCH(QRect, owner);
        m_owner->setGeometry(owner);
        const auto form = MakeForm("ENU");
        form->show();
        const QRect box = form->frameGeometry();
        const QRect area = m_owner->screen()->availableGeometry();
        if (area.contains(owner)) {
            QVERIFY(qAbs(box.center().x() - owner.center().x()) <= 1);
            QVERIFY(qAbs(box.center().y() - owner.center().y()) <= 1);
        } else {
            QVERIFY2(area.contains(box), "the box, without caption buttons, stays on the screen");
        }
    }
};

QTEST_MAIN(TestAboutForm)
#include "tst_aboutform.moc"
