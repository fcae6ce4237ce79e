#pragma once
// Reading the maker's version list and deciding whether a newer version is listed.
// The list is plain text; the product's entry is the first line whose first field is the
// product name, and it is split at commas:
//   name, download name, release letter, size in kilobytes, (unused), [more]

#include "quotes/Fetcher.h"
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Update {

enum class VersionCheckResult
{
    UpToDate = 0,
    Unreachable = 1,
    InvalidList = 2,
    NotListed = 3,
    UpdateAvailable = 4,
};

// The list's name under the maker's site root.
inline constexpr const char* VersionListName = "versions.dat";
// A fetch of the list tries this often before it gives up.
inline constexpr int VersionListAttempts = 6;
// The whole fetch, all attempts together, holds the window up at most this long: a server that
// trickles its answer never stalls long enough for the receive time-out.
inline constexpr int VersionListFetchBoundMs = 15000;
// Answers shorter than this cannot hold an entry.
inline constexpr std::size_t MinimumListLength = 50;
// An entry is cut to this many characters before it is split.
inline constexpr std::size_t MaximumEntryLength = 255;

struct VersionCheck
{
    VersionCheckResult result = VersionCheckResult::InvalidList;
    // Filled once the entry has been read (UpToDate or UpdateAvailable).
    std::string downloadName;  // the installer's file name, e.g. Koerszicht101.exe
    std::string latestVersion; // for display, e.g. 1.01e
    std::int32_t downloadSizeKB = 0;
};

// The digits (with commas and points) of a version text, the first point removed:
// "versie 1.00d" gives "100".
std::string CurrentDigits(std::string_view versionText);
// The release letter of a version text: its last character when a to z, otherwise code 0.
char CurrentLetter(std::string_view versionText);

// The entry of `productName`: the first line whose first field, blanks around it ignored, is
// exactly `productName` (letter case counts). Lines end at a carriage return or a line feed;
// the last one may end with the text. The entry starts with the name and is cut to
// MaximumEntryLength characters. Empty when no line is the product's.
std::string CutEntry(std::string_view text, std::string_view productName);
// Splits an entry at commas. Two commas in a row give a field of one code-0 character;
// a comma at the very end makes no further field.
std::vector<std::string> SplitEntry(std::string_view entry);

// The digits of a download name: its part before the first point, digits, commas and points kept.
std::string LatestDigits(std::string_view downloadName);
// Digits compared as texts by character code, then the letters by code.
bool IsNewer(std::string_view latestDigits, char latestLetter, std::string_view currentDigits,
             char currentLetter);
// "101" with 'e' gives "1.01e". A code-0 letter is left out.
std::string DisplayVersion(std::string_view latestDigits, char latestLetter);

// A download name comes from the network and becomes a file name: it must be a plain name.
bool IsSafeFileName(std::string_view name);
// A size field: a decimal integer from 0 up to the 32-bit limit, blanks around it allowed.
bool ParseSizeKB(std::string_view field, std::int32_t& sizeKB);

// The checks on a fetched list, in their order. The empty text counts as an invalid list.
VersionCheck EvaluateVersionList(std::string_view text, std::string_view productName,
                                 std::string_view versionText);

// Fetches a URL and returns its body, the empty text on failure.
using Fetcher = std::function<std::string(const std::string& url)>;
// The request for the list: direct, six attempts, an error page or another host refused.
Quotes::FetchRequest VersionListRequest(const std::string& url);
// The direct fetch of the list with its six attempts.
std::string FetchVersionList(const std::string& url);

// What a fetch of the list brought: nothing (the empty text) gives Unreachable, anything else
// is evaluated.
VersionCheck EvaluateFetchedList(std::string_view fetched, std::string_view productName,
                                 std::string_view versionText);
// The list's address under the maker's site root.
std::string VersionListAddress(const std::string& siteRoot);

// Fetches siteRoot + "versions.dat" and evaluates it, on the caller's thread. Nothing fetched
// gives Unreachable.
VersionCheck ReadVersionList(std::string_view productName, std::string_view versionText,
                             const std::string& siteRoot, const Fetcher& fetch = FetchVersionList);

} // namespace Update
