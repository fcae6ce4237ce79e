#pragma once
// The About box: product name, version, copyright, the contact lines, mail and home page.
// Two views: the main view (MainPanel shown) and the author view behind it.

#include "about/AboutTexts.h"

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
    explicit TAboutForm(QWidget* parent = nullptr);
    std::string MakerSite;

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
    std::string m_language;
    UrlOpener m_openUrl;
};
