// The maker's version list as the update check reads it: the checks on the text, the
// product's entry cut out and split, the comparison with the own version, and what the
// update window is given.
// Input: a byte choosing the own version text, then the list.

#include "FuzzSupport.h"

#include "support/Product.h"
#include "update/VersionList.h"

#include <algorithm>

using namespace Update;

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Digit, point, two digits, and a small letter unless the listed letter is code 0.
bool IsDisplayVersion(const std::string& version)
{
    return (version.size() == 4 || version.size() == 5) && IsDigit(version[0]) && version[1] == '.' &&
           IsDigit(version[2]) && IsDigit(version[3]) &&
           (version.size() == 4 || (version[4] != '\0' && version[4] != ',' && version[4] != '\r'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::SetUp();
    Fuzz::Input input(data, size);
    static const std::string versions[] = {Support::VersionText, "versie 1.00d", "version 2.10",
                                           "versie 9.99z"};
    const std::string& own = versions[input.Byte() % 4];
    const std::string product = Support::ProductName;
    const std::string_view text = input.Rest();

    int fetches = 0;
    const VersionCheck check =
        ReadVersionList(product, own, "http://www.koerszicht.example/", [&](const std::string& url) {
            ++fetches;
            Fuzz::Check(url == "http://www.koerszicht.example/versions.dat",
                        "the list is fetched from the site root", url);
            return std::string(text);
        });
    Fuzz::Check(fetches >= 1 && fetches <= VersionListAttempts, "the list is fetched at most six times");
    if (text.empty()) {
        Fuzz::Check(check.result == VersionCheckResult::Unreachable, "nothing fetched is unreachable");
        return 0;
    }
    if (text.size() < MinimumListLength)
        Fuzz::Check(check.result == VersionCheckResult::InvalidList, "a short list is invalid");
    if (text.find(product) == std::string_view::npos)
        Fuzz::Check(check.result != VersionCheckResult::UpToDate &&
                        check.result != VersionCheckResult::UpdateAvailable,
                    "a list without the product has no entry");

    const std::string entry = CutEntry(text, product);
    Fuzz::Check(entry.size() <= MaximumEntryLength && entry.find('\r') == std::string::npos,
                "an entry is one line of at most 255 characters", entry);
    for (const std::string& field : SplitEntry(entry))
        Fuzz::Check(!field.empty() && field.find(',') == std::string::npos,
                    "a field is never empty and holds no comma", field);

    if (check.result == VersionCheckResult::UpdateAvailable) {
        Fuzz::Check(IsDisplayVersion(check.latestVersion),
                    "a display version reads digit, point, two digits, letter", check.latestVersion);
        Fuzz::Check(IsSafeFileName(check.downloadName), "the download name is a plain file name",
                    check.downloadName);
        Fuzz::Check(check.downloadSizeKB >= 0, "the installer size is not negative");
        // Newer one way never means newer the other way too.
        const std::string latest = LatestDigits(check.downloadName);
        const char letter = check.latestVersion.size() == 5 ? check.latestVersion[4] : '\0';
        Fuzz::Check(!IsNewer(CurrentDigits(own), CurrentLetter(own), latest, letter),
                    "the own version is not newer than a newer listed one", check.latestVersion);
    }
    return 0;
}
