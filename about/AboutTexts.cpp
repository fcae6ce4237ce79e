#include "about/AboutTexts.h"

namespace About {

bool IsDutch(const std::string& language)
{
    return language == "NLD";
}

AboutTexts TextsFor(const std::string& language, const ProductFacts& facts)
{
    const std::string& product = facts.productName;
    AboutTexts texts;
    // The same Dutch text in both languages.
    texts.authorHint = "Toon auteur";
    if (IsDutch(language)) {
        texts.caption = facts.mainCaption + " - Informatie";
        texts.authorCaption = product + " - Auteur";
        texts.label1 = product + " toont trendlijnen bij de AEX.";
        texts.label2 = " Geeft meer inzicht in het koersverloop.";
        texts.mailHint = "Stuur uw opmerkingen naar de auteur van " + product;
        texts.homeHint = "Ga naar mijn Home Page";
        texts.okHint = "Verlaat Info-scherm";
        texts.ok1Hint = "Terug naar het beginvenster";
        texts.mailError = "E-mail is in de fout gegaan.";
        texts.browserError = "Browser niet geopend.";
        texts.mailLines = {"Beste makers van " + product + ",",
                           "",
                           "",
                           "Ik vond op je Home Page het programma " + product + ".",
                           "",
                           "Ik wil hierover het volgende kwijt:",
                           "",
                           "",
                           "",
                           "",
                           "",
                           "Met vriendelijke groet,"};
        texts.authorLines = {"",
                             "Het programma " + product + " is geschreven door:",
                             "",
                             "Het " + product + "-project",
                             "Trendlijnen bij de AEX-index",
                             product + ", " + facts.versionText,
                             "Reacties zijn welkom via:",
                             "",
                             ProjectMailAddress,
                             facts.makerSite,
                             "",
                             "Bekijk ook mijn andere programma's.",
                             "Mail, bel of schrijf voor nadere informatie!"};
    } else {
        texts.caption = facts.mainCaption + " - Information";
        texts.authorCaption = product + " - Author";
        texts.label1 = product + " shows trend lines of the AEX.";
        texts.label2 = "Gives more insight in the prices.";
        texts.mailHint = "Contact the author of " + product;
        texts.homeHint = "Download the newest version of Koerszicht";
        texts.okHint = "Back to the main window";
        texts.ok1Hint = "Back to the main window";
        texts.mailError = "Error sending E-mail.";
        texts.browserError = "Browser not opened.";
        texts.mailLines = {"Dear makers of " + product + ",",
                           "",
                           "",
                           "On you Home Page I found the program " + product + ".",
                           "",
                           "I want to comment on this program:",
                           "",
                           "",
                           "",
                           "",
                           "",
                           "Kind regards,"};
        texts.authorLines = {"",
                             "The program " + product + " has been written by:",
                             "",
                             "The " + product + " project",
                             "Trend lines on the AEX index",
                             product + ", " + facts.versionText,
                             "Comments are welcome through:",
                             "",
                             ProjectMailAddress,
                             facts.makerSite,
                             "",
                             "Please try my other programs.",
                             "Mail or write for further information!"};
    }
    return texts;
}

std::string MailSubject(const std::string& productName, const std::string& versionText)
{
    return "Programma " + productName + ", " + versionText;
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

std::string DownloadPageAddress(const std::string& makerSite, const std::string& language,
                                const std::string& productName)
{
    return makerSite + (IsDutch(language) ? "downloads_n.php#" : "downloads_e.php#") + productName;
}

QUrl AddressUrl(const std::string& addressText)
{
    return QUrl(QString::fromLatin1(addressText), QUrl::TolerantMode);
}

} // namespace About
