#pragma once
// Everything the About box says, in Dutch or English, and the two addresses it hands to
// the desktop: the prepared mail message and the download page. Plain functions of the
// language and the product's names, so that the texts can be checked without a window; the
// wording itself is in the catalogue of support/Texts.h.

#include "support/SystemFacts.h"

#include <QUrl>
#include <string>
#include <vector>

namespace About {

// The project's own contact lines.
inline constexpr const char* ProjectMailAddress = "info@koerszicht.example";

struct AboutTexts
{
    std::string caption;       // the main view: the main window's caption + " - Informatie"
    std::string authorCaption; // the author view: the product name + " - Auteur"
    std::string label1;
    std::string label2;
    std::string authorHint;
    std::string mailHint;
    std::string homeHint;
    std::string okHint;
    std::string ok1Hint;
    std::string mailError;
    std::string browserError;
    std::vector<std::string> mailLines;   // the mail template, twelve lines
    std::vector<std::string> authorLines; // the author view, thirteen lines
};

struct ProductFacts
{
    std::string productName;
    std::string versionText;
    std::string mainCaption; // the main window's caption
    std::string makerSite;   // the maker's web site root, ending in "/"
};

AboutTexts TextsFor(Support::Language language, const ProductFacts& facts);

// "Programma Koerszicht, versie 1.00d", in both languages.
std::string MailSubject(const std::string& productName, const std::string& versionText);
// The lines joined by "%0D%0A" (none after the last); nothing else is escaped.
std::string MailBody(const std::vector<std::string>& lines);
// "mailto:" + address + "?Subject=" + subject + "&Body=" + body.
std::string MailAddressText(const std::string& address, const std::string& productName,
                            const std::string& versionText, const std::vector<std::string>& bodyLines);

// The maker's download page for the product: the site root + "downloads_n.php#" (Dutch) or
// "downloads_e.php#" (English) + the product name.
std::string DownloadPageAddress(const std::string& makerSite, Support::Language language,
                                const std::string& productName);

// The address text as the desktop opens it. Blanks and characters outside ASCII are encoded
// on the way; escapes already in the text ("%0D%0A") pass unchanged.
QUrl AddressUrl(const std::string& addressText);

} // namespace About
