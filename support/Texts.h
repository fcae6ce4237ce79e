#pragma once
// Every text the program shows to its user, in Dutch and in English. A text that carries a
// name, a path or a date is split where that goes: the caller puts the pieces around it.
// The texts are single-byte (Latin-1), as all of the program's texts.

#include "support/SystemFacts.h"

namespace Support {

enum class Text
{
    // ---- The main window (it speaks Dutch, whatever the system's language) ----
    DayCountLabel,
    MarketClosedStart, // "De beurs " + MarketClosedMiddle + MarketClosedEnd
    MarketClosedMiddle,
    MarketClosedEnd,
    AboutHint,
    HandleHint,
    HoverValueLabel, // before the value text, which brings its own leading blank
    HoverDateLabel,  // before the short date
    HoverClosedDay,  // after the date of a closing day of the exchange
    AlertMenuItem,   // the handle's menu: the line's alert on or off

    // A trend line crossed: AlertStart + value + AlertRose/AlertFell + colour + AlertLine + the
    // line's value + AlertRoseEnd/AlertFellEnd.
    AlertStart,
    AlertRose,
    AlertFell,
    AlertGreen,
    AlertRed,
    AlertBlue,
    AlertLine,
    AlertRoseEnd,
    AlertFellEnd,
    DownloadFailed, // the status line after a failed quote download
    QuoteSourceTip, // + source name: the status line's tooltip
    BackfillSourceTip,
    RestingSourceTip, // + source name + RestingUntilTip + time: a source that refused rests
    RestingUntilTip,
    AlreadyRunning, // a second start on the same data folder
    LoadErrorNoConnection,
    LoadErrorPageTooSmall,
    LoadErrorAexNotFound,
    LoadErrorZeroValue,
    PlotNoValues,
    PlotNoValuesAfter, // + the date of the newest value
    SaveFailureStart,  // + the path of the history file + SaveFailureEnd
    SaveFailureEnd,
    RetryButton,
    CloseWithoutSavingButton,

    // ---- The update window ----
    UpdateCaptionSuffix, // product name + this
    DesignDownloadButton,
    CloseWindowButton,
    UpdateAdvised,
    CurrentVersionIs, // + version text
    LatestVersionIs,  // + latest version
    DownloadNameIs,   // + download name
    StartDownloadingButton,
    DownloadLaterButton,
    DownloadSucceededEnd, // download name + this
    ClickInstall,
    InstallButton,
    InstallationOf, // + display name + InstallationStartingEnd or InstallationStartedEnd
    InstallationStartingEnd,
    InstallationStartedEnd,
    InstallationFailed,
    DownloadOf, // + download name + DownloadFailedEnd
    DownloadFailedEnd,
    FileNamed, // + path + FileCannotBeWrittenEnd
    FileCannotBeWrittenEnd,
    NotSignedEnd, // download name + this
    SignatureOf,  // + download name + SignatureInvalidEnd
    SignatureInvalidEnd,
    NotNewerEnd, // download name + this
    FolderNamed, // + path + FolderRefusedEnd
    FolderRefusedEnd,

    // ---- The About box ----
    AboutCaptionSuffix,  // main window caption + this
    AuthorCaptionSuffix, // product name + this
    AboutLabel1End,      // product name + this
    AboutLabel2,
    AuthorHint,
    MailHint, // + product name
    HomeHint,
    OkHint,
    Ok1Hint,
    MailError,
    BrowserError,
    MailButton,
    HomeButton,
    OkButton,
    MailSubject,      // + product name + ", " + version text
    MailGreeting,     // + product name + ","
    MailFoundProgram, // + product name + "."
    MailComment,
    MailClosing,
    AuthorProgram, // + product name + AuthorWrittenByEnd
    AuthorWrittenByEnd,
    AuthorProject, // + product name + AuthorProjectEnd
    AuthorProjectEnd,
    AuthorSubject,
    AuthorComments,
    AuthorOtherPrograms,
    AuthorFurtherInformation,
};

// The number of texts: every Text lies below it.
inline constexpr int TextCount = static_cast<int>(Text::AuthorFurtherInformation) + 1;

// The text in `language`; never null, never empty.
const char* TextFor(Text text, Language language);

} // namespace Support
