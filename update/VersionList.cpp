#include "update/VersionList.h"

#include "quotes/HttpClient.h"
#include "support/TextFields.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace Update {

namespace {
constexpr const char* LineEnds = "\r\n";
constexpr char CodeZero = '\0';

enum Field
{
    NameField = 0,
    DownloadNameField = 1,
    LetterField = 2,
    SizeField = 3,
    RequiredFields = 5
};

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= 32;
}

// Digits compared as text say which version is newer only when both have one major and two
// minor digits; the display needs them too.
bool IsVersionDigits(std::string_view digits)
{
    return digits.size() == 3 &&
           std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsReleaseLetter(char letter)
{
    return letter == CodeZero || (letter >= 'a' && letter <= 'z');
}
} // namespace

std::string CurrentDigits(std::string_view versionText)
{
    return Support::KeepNumberChars(Support::TextBefore('.', versionText) +
                                    Support::TextAfter('.', versionText));
}

char CurrentLetter(std::string_view versionText)
{
    if (versionText.empty())
        return CodeZero;
    const char last = versionText.back();
    return last >= 'a' && last <= 'z' ? last : CodeZero;
}

std::string CutEntry(std::string_view text, std::string_view productName)
{
    if (productName.empty())
        return {};
    std::size_t lineStart = 0;
    for (;;) {
        // A line ends at a carriage return or a line feed, so that a list saved with either line
        // end is read the same way; the line feed after a carriage return starts an empty line.
        // The last line needs no line end.
        const auto lineEnd = text.find_first_of(LineEnds, lineStart);
        std::string_view line = text.substr(
            lineStart, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - lineStart);
        while (!line.empty() && IsBlank(line.front()))
            line.remove_prefix(1);
        std::string_view firstField = line.substr(0, line.find(','));
        while (!firstField.empty() && IsBlank(firstField.back()))
            firstField.remove_suffix(1);
        // The whole first field: a longer name that begins with the product's belongs to another product.
        if (firstField == productName)
            return std::string(line.substr(0, MaximumEntryLength));
        if (lineEnd == std::string_view::npos)
            return {};
        lineStart = lineEnd + 1;
    }
}

std::vector<std::string> SplitEntry(std::string_view entry)
{
    std::vector<std::string> fields;
    std::string_view rest = entry;
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        if (comma == std::string_view::npos) {
            fields.emplace_back(rest);
            break;
        }
        fields.emplace_back(comma == 0 ? std::string(1, CodeZero) : std::string(rest.substr(0, comma)));
        rest = rest.substr(comma + 1);
    }
    return fields;
}

std::string LatestDigits(std::string_view downloadName)
{
    return Support::KeepNumberChars(Support::TextBefore('.', downloadName));
}

bool IsNewer(std::string_view latestDigits, char latestLetter, std::string_view currentDigits,
             char currentLetter)
{
    // std::string_view compares by unsigned character code; a proper beginning is the smaller.
    const int order = latestDigits.compare(currentDigits);
    if (order != 0)
        return order > 0;
    return static_cast<unsigned char>(latestLetter) > static_cast<unsigned char>(currentLetter);
}

std::string DisplayVersion(std::string_view latestDigits, char latestLetter)
{
    std::string version = Support::Copy(latestDigits, 1, 1) + "." + Support::Copy(latestDigits, 2, 2);
    if (latestLetter != CodeZero)
        version += latestLetter;
    return version;
}

bool IsSafeFileName(std::string_view name)
{
    if (name.empty() || name == "." || name.find("..") != std::string_view::npos)
        return false;
    for (char c : name) {
        const auto code = static_cast<unsigned char>(c);
        // Separators, drive letters and streams, control characters.
        if (c == '/' || c == '\\' || c == ':' || code < 32 || code == 127)
            return false;
    }
    // Leading or trailing blanks make a name that looks like another one.
    return name.front() != ' ' && name.back() != ' ';
}

bool ParseSizeKB(std::string_view field, std::int32_t& sizeKB)
{
    while (!field.empty() && IsBlank(field.front()))
        field.remove_prefix(1);
    while (!field.empty() && IsBlank(field.back()))
        field.remove_suffix(1);
    if (field.empty())
        return false;
    for (char c : field)
        if (c < '0' || c > '9')
            return false;
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (error != std::errc() || end != field.data() + field.size())
        return false;
    sizeKB = value;
    return true;
}

VersionCheck EvaluateVersionList(std::string_view text, std::string_view productName,
                                 std::string_view versionText)
{
    VersionCheck check;
    if (text == "Default.htm" || text.size() < MinimumListLength) {
        check.result = VersionCheckResult::InvalidList;
        return check;
    }
    const std::string entry = CutEntry(text, productName);
    if (entry.empty()) {
        check.result = VersionCheckResult::NotListed;
        return check;
    }

    const std::vector<std::string> fields = SplitEntry(entry);
    std::int32_t sizeKB = 0;
    if (fields.size() < RequiredFields || !IsSafeFileName(fields[DownloadNameField]) ||
        !ParseSizeKB(fields[SizeField], sizeKB)) {
        check.result = VersionCheckResult::InvalidList;
        return check;
    }

    const std::string& downloadName = fields[DownloadNameField];
    const std::string latestDigits = LatestDigits(downloadName);
    const char latestLetter = fields[LetterField].front(); // never empty: see SplitEntry
    if (!IsVersionDigits(latestDigits) || !IsReleaseLetter(latestLetter)) {
        check.result = VersionCheckResult::InvalidList;
        return check;
    }
    check.downloadName = downloadName;
    check.latestVersion = DisplayVersion(latestDigits, latestLetter);
    check.downloadSizeKB = sizeKB;
    check.result = IsNewer(latestDigits, latestLetter, CurrentDigits(versionText), CurrentLetter(versionText))
                       ? VersionCheckResult::UpdateAvailable
                       : VersionCheckResult::UpToDate;
    return check;
}

Quotes::FetchRequest VersionListRequest(const std::string& url)
{
    Quotes::FetchRequest request;
    request.url = url;
    request.access = Quotes::INTERNET_OPEN_TYPE_DIRECT;
    request.options.attempts = VersionListAttempts;
    request.options.totalTimeoutMs = VersionListFetchBoundMs;
    // An error page is no list, and only the maker site says which installer to fetch.
    request.options.refuseHttpErrors = true;
    request.options.stayOnHost = true;
    return request;
}

std::string FetchVersionList(const std::string& url)
{
    const Quotes::FetchRequest request = VersionListRequest(url);
    return Quotes::DownloadPage(request.url, request.access, request.options);
}

VersionCheck EvaluateFetchedList(std::string_view fetched, std::string_view productName,
                                 std::string_view versionText)
{
    if (fetched.empty()) {
        VersionCheck check;
        check.result = VersionCheckResult::Unreachable;
        return check;
    }
    return EvaluateVersionList(fetched, productName, versionText);
}

std::string VersionListAddress(const std::string& siteRoot)
{
    return siteRoot + VersionListName;
}

VersionCheck ReadVersionList(std::string_view productName, std::string_view versionText,
                             const std::string& siteRoot, const Fetcher& fetch)
{
    const std::string text = fetch ? fetch(VersionListAddress(siteRoot)) : std::string();
    return EvaluateFetchedList(text, productName, versionText);
}

} // namespace Update
