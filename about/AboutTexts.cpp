#include "about/AboutTexts.h"

#include "support/Texts.h"

namespace About {

namespace {
using Support::Language;
using Support::Text;
} // namespace

AboutTexts TextsFor(Language language, const ProductFacts& facts)
{
    const auto text = [language](Text id) { return std::string(Support::TextFor(id, language)); };
    const std::string& product = facts.productName;
    AboutTexts texts;
    texts.caption = facts.mainCaption + text(Text::AboutCaptionSuffix);
    texts.authorCaption = product + text(Text::AuthorCaptionSuffix);
    texts.label1 = product + text(Text::AboutLabel1End);
    texts.label2 = text(Text::AboutLabel2);
    texts.authorHint = text(Text::AuthorHint);
    texts.mailHint = text(Text::MailHint) + product;
    texts.homeHint = text(Text::HomeHint);
    texts.okHint = text(Text::OkHint);
    texts.ok1Hint = text(Text::Ok1Hint);
    texts.mailError = text(Text::MailError);
    texts.browserError = text(Text::BrowserError);
    texts.mailLines = {text(Text::MailGreeting) + product + ",",
                       "",
                       "",
                       text(Text::MailFoundProgram) + product + ".",
                       "",
                       text(Text::MailComment),
                       "",
                       "",
                       "",
                       "",
                       "",
                       text(Text::MailClosing)};
    texts.authorLines = {"",
                         text(Text::AuthorProgram) + product + text(Text::AuthorWrittenByEnd),
                         "",
                         text(Text::AuthorProject) + product + text(Text::AuthorProjectEnd),
                         text(Text::AuthorSubject),
                         product + ", " + facts.versionText,
                         text(Text::AuthorComments),
                         "",
                         ProjectMailAddress,
                         facts.makerSite,
                         "",
                         text(Text::AuthorOtherPrograms),
                         text(Text::AuthorFurtherInformation)};
    return texts;
}

std::string MailSubject(const std::string& productName, const std::string& versionText)
{
    // The same subject in both languages.
    return Support::TextFor(Text::MailSubject, Language::Dutch) + productName + ", " + versionText;
}

std::string MailBody(const std::vector<std::string>& lines)
{
    std::string body;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            body += "%0D%0A";
        body += lines[i];
    }
    return body;
}

std::string MailAddressText(const std::string& address, const std::string& productName,
                            const std::string& versionText, const std::vector<std::string>& bodyLines)
{
    return "mailto:" + address + "?Subject=" + MailSubject(productName, versionText) +
           "&Body=" + MailBody(bodyLines);
}

std::string DownloadPageAddress(const std::string& makerSite, Language language,
                                const std::string& productName)
{
    return makerSite + (language == Language::Dutch ? "downloads_n.php#" : "downloads_e.php#") + productName;
}

QUrl AddressUrl(const std::string& addressText)
{
    return QUrl(QString::fromLatin1(addressText), QUrl::TolerantMode);
}

} // namespace About
