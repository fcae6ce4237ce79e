#include "about/AboutForm.h"

#include "about/AuthorGlyph.h"
#include "support/Product.h"
#include "support/ScreenPlacement.h"
#include "support/Texts.h"

#include <QDesktopServices>
#include <QFrame>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextEdit>
#include <QToolButton>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Pixel sizes, so that the fixed layout does not grow with the desktop's font size.
QFont Arial(int pixels, bool bold = false, bool italic = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

QString Text(const std::string& text)
{
    return QString::fromLatin1(text);
}

QString Lines(const std::vector<std::string>& lines)
{
    QStringList list;
    for (const std::string& line : lines)
        list << Text(line);
    return list.join(QLatin1Char('\n'));
}

QLabel* CenteredLabel(QWidget* parent, const char* name, const QRect& place, const QFont& font)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(place);
    label->setFont(font);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}

QFrame* Bevel(QWidget* parent, const char* name, const QRect& place, QFrame::Shape shape)
{
    auto* bevel = new QFrame(parent);
    bevel->setObjectName(QLatin1String(name));
    bevel->setGeometry(place);
    bevel->setFrameStyle(shape | QFrame::Sunken);
    bevel->setLineWidth(1);
    bevel->setAttribute(Qt::WA_TransparentForMouseEvents);
    return bevel;
}

// A button whose caption reads like a link: blue and underlined.
QPushButton* LinkButton(QWidget* parent, const char* name, const QString& caption, const QRect& place)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(place);
    QFont font = button->font();
    font.setUnderline(true);
    button->setFont(font);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, QColor(0, 0, 255));
    button->setPalette(palette);
    button->setAutoDefault(false);
    return button;
}

QPushButton* OkButton(QWidget* parent, const char* name, const QString& caption, const QRect& place)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(place);
    button->setIcon(button->style()->standardIcon(QStyle::SP_DialogOkButton, nullptr, button));
    return button;
}

// Windows lets a program confine the mouse cursor to a rectangle; other systems have no such
// confinement to release.
void ReleaseCursorConfinement()
{
#ifdef Q_OS_WIN
    ClipCursor(nullptr);
#endif
}

bool OpenWithDesktop(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace

TAboutForm::TAboutForm(Support::Language language, const QString& makerSite, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_language(language),
      // The site as an address in plain ASCII, whatever a hand-edited setting holds.
      m_makerSite(QUrl(makerSite, QUrl::TolerantMode).toEncoded().toStdString()), m_openUrl(OpenWithDesktop)
{
    CreateComponents();
    FormCreate();
}

void TAboutForm::CreateComponents()
{
    setObjectName(QStringLiteral("AboutForm"));
    setFixedSize(ClientWidth, ClientHeight);
    setFont(Arial(13));
    const QRect client(0, 0, ClientWidth, ClientHeight);

    // The author view lies behind MainPanel and shows when the panel is hidden.
    AuthorMemo = new QTextEdit(this);
    AuthorMemo->setObjectName(QStringLiteral("AuthorMemo"));
    AuthorMemo->setGeometry(client);
    AuthorMemo->setReadOnly(true);
    AuthorMemo->setFrameShape(QFrame::NoFrame);
    AuthorMemo->setFocusPolicy(Qt::NoFocus);
    AuthorMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    AuthorMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    AuthorMemo->setFont(Arial(13));
    QPalette memoPalette = AuthorMemo->palette();
    memoPalette.setColor(QPalette::Base, memoPalette.color(QPalette::Button));
    AuthorMemo->setPalette(memoPalette);
    QTextOption centred = AuthorMemo->document()->defaultTextOption();
    centred.setAlignment(Qt::AlignHCenter);
    AuthorMemo->document()->setDefaultTextOption(centred);

    const QString ok = QString::fromLatin1(Support::TextFor(Support::Text::OkButton, m_language));
    OKBtn1 = OkButton(this, "OKBtn1", ok, QRect(152, 217, 65, 28));
    connect(OKBtn1, &QPushButton::clicked, this, [this] { OKBtn1Click(); });

    MainPanel = new QFrame(this);
    MainPanel->setObjectName(QStringLiteral("MainPanel"));
    MainPanel->setGeometry(client);
    MainPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    MainPanel->setLineWidth(2);
    MainPanel->setAutoFillBackground(true);

    NameLabel = CenteredLabel(MainPanel, "NameLabel", QRect(5, 16, 360, 69), Arial(48, true, true));
    VersionLabel = CenteredLabel(MainPanel, "VersionLabel", QRect(5, 83, 360, 20), Arial(15));
    Bevel3 = Bevel(MainPanel, "Bevel3", QRect(20, 122, 329, 29), QFrame::Box);
    CopyrightLabel = CenteredLabel(MainPanel, "CopyrightLabel", QRect(28, 128, 291, 16), Arial(13));

    AuthorBtn = new QToolButton(MainPanel);
    AuthorBtn->setObjectName(QStringLiteral("AuthorBtn"));
    AuthorBtn->setGeometry(326, 126, 19, 21);
    AuthorBtn->setIcon(AuthorGlyph());
    AuthorBtn->setIconSize(QSize(16, 16));
    AuthorBtn->setAutoRaise(true);
    AuthorBtn->setFocusPolicy(Qt::NoFocus);
    connect(AuthorBtn, &QToolButton::clicked, this, [this] { AuthorBtnClick(); });

    Bevel2 = Bevel(MainPanel, "Bevel2", QRect(20, 159, 329, 49), QFrame::StyledPanel);
    Label1 = CenteredLabel(MainPanel, "Label1", QRect(23, 165, 323, 17), Arial(13));
    Label2 = CenteredLabel(MainPanel, "Label2", QRect(23, 183, 323, 19), Arial(13));

    MailBtn = LinkButton(MainPanel, "MailBtn",
                         QString::fromLatin1(Support::TextFor(Support::Text::MailButton, m_language)),
                         QRect(43, 217, 65, 29));
    connect(MailBtn, &QPushButton::clicked, this, [this] { MailBtnClick(); });
    OKBtn = OkButton(MainPanel, "OKBtn", ok, QRect(147, 217, 77, 29));
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    HomeBtn = LinkButton(MainPanel, "HomeBtn",
                         QString::fromLatin1(Support::TextFor(Support::Text::HomeButton, m_language)),
                         QRect(265, 217, 65, 29));
    connect(HomeBtn, &QPushButton::clicked, this, [this] { HomeBtnClick(); });

    MailMemo = new QPlainTextEdit(MainPanel);
    MailMemo->setObjectName(QStringLiteral("MailMemo"));
    MailMemo->setGeometry(0, 0, 0, 0);
    MailMemo->setVisible(false);

    for (QWidget* button : std::initializer_list<QWidget*>{OKBtn1, AuthorBtn, MailBtn, OKBtn, HomeBtn})
        button->setToolTipDuration(10000);
    ShowMainView();
}

void TAboutForm::FormCreate()
{
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const std::string mainCaption =
        owner ? owner->windowTitle().toLatin1().toStdString() : std::string(Support::ProductName);
    m_texts =
        About::TextsFor(m_language, {Support::ProductName, Support::VersionText, mainCaption, m_makerSite});

    NameLabel->setText(Text(Support::ProductName));
    VersionLabel->setText(Text(Support::VersionText));
    CopyrightLabel->setText(Text(Support::CopyrightText));
    setWindowTitle(Text(m_texts.caption));
    Label1->setText(Text(m_texts.label1));
    Label2->setText(Text(m_texts.label2));
    AuthorBtn->setToolTip(Text(m_texts.authorHint));
    MailBtn->setToolTip(Text(m_texts.mailHint));
    HomeBtn->setToolTip(Text(m_texts.homeHint));
    OKBtn->setToolTip(Text(m_texts.okHint));
    OKBtn1->setToolTip(Text(m_texts.ok1Hint));
    MailMemo->clear();
    MailMemo->setPlainText(Lines(m_texts.mailLines));
    AuthorMemo->clear();
    AuthorMemo->setPlainText(Lines(m_texts.authorLines));
}

void TAboutForm::SetUrlOpener(UrlOpener opener)
{
    m_openUrl = opener ? std::move(opener) : OpenWithDesktop;
}

// The author view stays hidden behind the panel too, so that neither the Tab key nor the
// Enter key reaches it from the main view.
void TAboutForm::ShowMainView()
{
    MainPanel->show();
    OKBtn1->setDefault(false);
    OKBtn->setDefault(true);
    OKBtn->setFocus();
    AuthorMemo->hide();
    OKBtn1->hide();
}

void TAboutForm::AuthorBtnClick()
{
    AuthorMemo->show();
    OKBtn1->show();
    MainPanel->hide();
    OKBtn->setDefault(false);
    OKBtn1->setDefault(true);
    OKBtn1->setFocus();
    setWindowTitle(Text(m_texts.authorCaption));
}

void TAboutForm::OKBtn1Click()
{
    ReleaseCursorConfinement();
    setWindowTitle(Text(m_texts.caption));
    ShowMainView();
    accept();
}

void TAboutForm::OKBtnClick()
{
    accept();
}

void TAboutForm::MailBtnClick()
{
    ReleaseCursorConfinement();
    std::vector<std::string> body;
    for (const QString& line : MailMemo->toPlainText().split(QLatin1Char('\n')))
        body.push_back(line.toLatin1().toStdString());
    OpenAddress(
        About::MailAddressText(About::ProjectMailAddress, Support::ProductName, Support::VersionText, body),
        m_texts.mailError);
}

void TAboutForm::HomeBtnClick()
{
    ReleaseCursorConfinement();
    OpenAddress(About::DownloadPageAddress(m_makerSite, m_language, Support::ProductName),
                m_texts.browserError);
}

void TAboutForm::OpenAddress(const std::string& addressText, const std::string& errorText)
{
    if (m_openUrl(About::AddressUrl(addressText)))
        return;
    QMessageBox box(QMessageBox::Critical, Text(Support::ProductName), Text(errorText), QMessageBox::Ok,
                    this);
    box.exec();
}

void TAboutForm::showEvent(QShowEvent* event)
{
    // Centred on the main window, and kept on its screen: the box has no caption buttons.
    if (const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr) {
        QRect frame = frameGeometry();
        frame.moveCenter(owner->frameGeometry().center());
        if (const QScreen* screen = owner->screen())
            frame = Support::KeptOnScreen(frame, screen->availableGeometry());
        move(frame.topLeft());
    }
    QDialog::showEvent(event);
}
