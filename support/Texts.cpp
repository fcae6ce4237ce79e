#include "support/Texts.h"

#include <array>

namespace Support {

namespace {

struct Entry
{
    Text text;
    const char* dutch;
    const char* english;
};

// In the order of the enumeration; the check below keeps it so.
constexpr std::array<Entry, TextCount> Catalogue{{
    {Text::DayCountLabel, "Aantal dagen", "Number of days"},
    {Text::MarketClosedStart, "De beurs ", "The market "},
    {Text::MarketClosedMiddle, "is ", "is "},
    {Text::MarketClosedEnd, "gesloten", "closed"},
    {Text::AboutHint, "Over...", "About..."},
    {Text::HandleHint, "Sleep om een lijn te tekenen", "Sleep om een lijn te tekenen"},
    {Text::HoverValueLabel, "Koers:", "Price:"},
    {Text::HoverDateLabel, "Datum: ", "Date: "},
    {Text::HoverClosedDay, ", beurs gesloten", ", exchange closed"},
    {Text::AlertMenuItem, "Waarschuw bij doorbreken", "Warn when crossed"},
    {Text::AlertStart, "De AEX (", "The AEX ("},
    {Text::AlertRose, ") is boven de ", ") has risen above the "},
    {Text::AlertFell, ") is onder de ", ") has fallen below the "},
    {Text::AlertGreen, "groene", "green"},
    {Text::AlertRed, "rode", "red"},
    {Text::AlertBlue, "blauwe", "blue"},
    {Text::AlertLine, " lijn (", " line ("},
    {Text::AlertRoseEnd, ") gekomen.", ")."},
    {Text::AlertFellEnd, ") gezakt.", ")."},
    {Text::DownloadFailed, "Het downloaden van de AEX is niet gelukt.", "The download of the AEX failed."},
    {Text::QuoteSourceTip, "Koers van: ", "Quote from: "},
    {Text::BackfillSourceTip, "Slotkoersen van: ", "Closing prices from: "},
    {Text::RestingSourceTip, "Niet gevraagd na een weigering: ", "Not asked after a refusal: "},
    {Text::RestingUntilTip, " tot ", " until "},
    {Text::AlreadyRunning, "Koerszicht is al gestart. Gebruik het venster dat al open is.",
     "Koerszicht is already running. Use the window that is open."},
    {Text::LoadErrorNoConnection, "Fout 1; Geen internetverbinding", "Error 1; No internet connection"},
    {Text::LoadErrorPageTooSmall, "Fout 2; Gelezen bestand is te klein",
     "Error 2; The file read is too small"},
    {Text::LoadErrorAexNotFound, "Fout 3; AEX niet gevonden", "Error 3; AEX not found"},
    {Text::LoadErrorZeroValue, "Fout 4; AEX-Koers = 0,0", "Error 4; AEX price = 0.0"},
    {Text::PlotNoValues, "Geen koersen", "No prices"},
    {Text::PlotNoValuesAfter, "Geen koersen na ", "No prices after "},
    {Text::SaveFailureStart, "De koersgeschiedenis kon niet worden opgeslagen in ",
     "The price history could not be saved in "},
    {Text::SaveFailureEnd,
     ".\n\nHet vorige bestand is onveranderd, maar de koersen van deze sessie gaan verloren als u sluit "
     "zonder opslaan. Maak ruimte vrij op de schijf of maak de map beschrijfbaar en probeer het opnieuw.",
     ".\n\nThe previous file is unchanged, but the prices of this session are lost if you close without "
     "saving. Free some space on the disk or make the folder writable and try again."},
    {Text::RetryButton, "Opnieuw proberen", "Try again"},
    {Text::CloseWithoutSavingButton, "Sluiten zonder opslaan", "Close without saving"},

    {Text::UpdateCaptionSuffix, " - Update", " - Update"},
    {Text::DesignDownloadButton, "Start Download", "Start Download"},
    {Text::CloseWindowButton, "Sluit venster", "Close window"},
    {Text::UpdateAdvised, "Een Update wordt aanbevolen", "Update is advised"},
    {Text::CurrentVersionIs, "Uw huidige versie is ", "Your current version is "},
    {Text::LatestVersionIs, "De nieuwste versie is ", "The latest version is "},
    {Text::DownloadNameIs, "De Downloadnaam is ", "The Download Name is "},
    {Text::StartDownloadingButton, "Start Downloaden", "Start Downloading"},
    {Text::DownloadLaterButton, "Download Later", "Download Later"},
    {Text::DownloadSucceededEnd, " is met succes gedownload", " has been succesfully downloaded"},
    {Text::ClickInstall, "Klik \"Installeer\" om het progamma te installeren",
     "Click \"Install\" to install the progam"},
    {Text::InstallButton, "Installeer", "Install"},
    {Text::InstallationOf, "De installatie van ", "The installation of "},
    {Text::InstallationStartingEnd, " wordt gestart.", " is started."},
    {Text::InstallationStartedEnd, " is gestart.", " has started."},
    {Text::InstallationFailed, "Installatie is mislukt.", "Installation failed."},
    {Text::DownloadOf, "Het downloaden van ", "The download of "},
    {Text::DownloadFailedEnd, " is mislukt.", " failed."},
    {Text::FileNamed, "Het bestand ", "The file "},
    {Text::FileCannotBeWrittenEnd, " kan niet worden geschreven.", " cannot be written."},
    {Text::NotSignedEnd, " is niet ondertekend: het bestand is verwijderd en wordt niet ge\xEFnstalleerd.",
     " is not signed: the file has been deleted and will not be installed."},
    {Text::SignatureOf, "De handtekening van ", "The signature of "},
    {Text::SignatureInvalidEnd, " klopt niet: het bestand is verwijderd en wordt niet ge\xEFnstalleerd.",
     " is not valid: the file has been deleted and will not be installed."},
    {Text::NotNewerEnd,
     " is niet nieuwer dan uw versie: het bestand is verwijderd en wordt niet ge\xEFnstalleerd.",
     " is not newer than your version: the file has been deleted and will not be installed."},
    {Text::FolderNamed, "De map ", "The folder "},
    {Text::FolderRefusedEnd,
     " is geen gewone map (maar bijvoorbeeld een koppeling naar een andere plaats): er wordt niets "
     "gedownload of gestart.",
     " is not a plain folder (it may be a link to another place): nothing is downloaded or started."},

    {Text::AboutCaptionSuffix, " - Informatie", " - Information"},
    {Text::AuthorCaptionSuffix, " - Auteur", " - Author"},
    {Text::AboutLabel1End, " toont trendlijnen bij de AEX.", " shows trend lines of the AEX."},
    {Text::AboutLabel2, " Geeft meer inzicht in het koersverloop.", "Gives more insight in the prices."},
    {Text::AuthorHint, "Toon auteur", "Toon auteur"},
    {Text::MailHint, "Stuur uw opmerkingen naar de auteur van ", "Contact the author of "},
    {Text::HomeHint, "Ga naar mijn Home Page", "Download the newest version of Koerszicht"},
    {Text::OkHint, "Verlaat Info-scherm", "Back to the main window"},
    {Text::Ok1Hint, "Terug naar het beginvenster", "Back to the main window"},
    {Text::MailError, "E-mail is in de fout gegaan.", "Error sending E-mail."},
    {Text::BrowserError, "Browser niet geopend.", "Browser not opened."},
    {Text::MailButton, "Mail", "Mail"},
    {Text::HomeButton, "Home", "Home"},
    {Text::OkButton, "OK", "OK"},
    {Text::MailSubject, "Programma ", "Programma "},
    {Text::MailGreeting, "Beste makers van ", "Dear makers of "},
    {Text::MailFoundProgram, "Ik vond op je Home Page het programma ",
     "On you Home Page I found the program "},
    {Text::MailComment, "Ik wil hierover het volgende kwijt:", "I want to comment on this program:"},
    {Text::MailClosing, "Met vriendelijke groet,", "Kind regards,"},
    {Text::AuthorProgram, "Het programma ", "The program "},
    {Text::AuthorWrittenByEnd, " is geschreven door:", " has been written by:"},
    {Text::AuthorProject, "Het ", "The "},
    {Text::AuthorProjectEnd, "-project", " project"},
    {Text::AuthorSubject, "Trendlijnen bij de AEX-index", "Trend lines on the AEX index"},
    {Text::AuthorComments, "Reacties zijn welkom via:", "Comments are welcome through:"},
    {Text::AuthorOtherPrograms, "Bekijk ook mijn andere programma's.", "Please try my other programs."},
    {Text::AuthorFurtherInformation, "Mail, bel of schrijf voor nadere informatie!",
     "Mail or write for further information!"},
}};

constexpr bool InEnumerationOrder()
{
    for (int i = 0; i < TextCount; ++i)
        if (static_cast<int>(Catalogue[static_cast<std::size_t>(i)].text) != i)
            return false;
    return true;
}
static_assert(InEnumerationOrder(), "the catalogue lists the texts in the order of Support::Text");

} // namespace

const char* TextFor(Text text, Language language)
{
    const int index = static_cast<int>(text);
    if (index < 0 || index >= TextCount)
        return "?"; // not a Text: a cast from an unchecked number
    const Entry& entry = Catalogue[static_cast<std::size_t>(index)];
    return language == Language::Dutch ? entry.dutch : entry.english;
}

} // namespace Support
