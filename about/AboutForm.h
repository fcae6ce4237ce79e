#pragma once
// The About box: product name, version, copyright, the contact lines, mail and home page.
// Two views: the main view (MainPanel shown) and the author view behind it.

#include "about/AboutTexts.h"
#include "support/SystemFacts.h"

#include <QDialog>
#include <QUrl>
#include <functional>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTextEdit;
class QToolButton;

class TAboutForm : public QDialog
{
    Q_OBJECT
public:
    // Speaks `language`; `makerSite` is the maker's web site root as the settings give it
    // (ending in "/"). The caption starts with the caption of the window of `parent`.
    TAboutForm(Support::Language language, const QString& makerSite, QWidget* parent = nullptr);

    static constexpr int ClientWidth = 371;
    static constexpr int ClientHeight = 257;

    // ---- Components ----
    QTextEdit* AuthorMemo = nullptr;
    QPushButton* OKBtn1 = nullptr;
    QFrame* MainPanel = nullptr;
    QLabel* NameLabel = nullptr;
    QLabel* VersionLabel = nullptr;
    QFrame* Bevel3 = nullptr;
    QLabel* CopyrightLabel = nullptr;
    QToolButton* AuthorBtn = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* MailBtn = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* HomeBtn = nullptr;
    QPlainTextEdit* MailMemo = nullptr;

    // ---- Handlers ----
    void FormCreate();
    void AuthorBtnClick();
    void OKBtn1Click();
    void OKBtnClick();
    void MailBtnClick();
    void HomeBtnClick();

    // Hands an address to the user's mail program or browser; false when that failed.
    using UrlOpener = std::function<bool(const QUrl&)>;
    void SetUrlOpener(UrlOpener opener);

    const About::AboutTexts& Texts() const { return m_texts; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateComponents();
    void ShowMainView();
    void OpenAddress(const std::string& addressText, const std::string& errorText);

    About::AboutTexts m_texts;
    Support::Language m_language;
    std::string m_makerSite; // in plain ASCII
    UrlOpener m_openUrl;
};
