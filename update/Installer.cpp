#include "update/Installer.h"

#include "support/TextFields.h"

#include <algorithm>

namespace Update {

namespace {
char ToCapital(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char ToSmall(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

std::vector<std::string> InstallerArguments()
{
    return {"/SP-", "/silent", "/noicons"};
}

std::string EarlierInstallerName(std::string_view productName, std::string_view versionText)
{
    return std::string(productName) + Support::KeepNumberChars(versionText) + ".exe";
}

std::string CompanionProgramPath(std::string_view startFolder, std::string_view productName)
{
    return std::string(startFolder) + std::string(productName) + "_Sched.exe";
}

std::string InstallerDisplayName(std::string_view downloadName)
{
    std::string name = Support::StripDigits(Support::TextBefore('.', downloadName));
    if (name.empty())
        return std::string(downloadName);
    name[0] = ToCapital(name[0]);

    const std::string prefix(InstallerPrefix);
    const std::string capitalised = {ToCapital(prefix[0]), ToSmall(prefix[1])};
    if (name.compare(0, 2, capitalised) != 0)
        return name;
    std::string display = {ToSmall(prefix[0]), ToSmall(prefix[1])};
    for (char c : std::string_view(name).substr(2))
        display += ToCapital(c);
    return display;
}

std::int64_t MaxInstallerBytes(std::int32_t listedKB)
{
    const std::int64_t listed = std::int64_t{std::max(listedKB, 0)} * 1024;
    const std::int64_t margin = std::max<std::int64_t>(64 * 1024, listed / 10);
    return std::min(listed + margin, MaxInstallerBytesAtAll);
}

std::int32_t CountedKB(std::size_t bytesRead)
{
    return static_cast<std::int32_t>(bytesRead / 1024);
}

int GaugePercent(std::int64_t minValue, std::int64_t maxValue, std::int64_t progress)
{
    if (maxValue <= minValue)
        return 0;
    const std::int64_t clamped = std::clamp(progress, minValue, maxValue);
    return static_cast<int>((clamped - minValue) * 100 / (maxValue - minValue));
}

std::string DownloadFolder(const std::string& dataFolder)
{
    return dataFolder.empty() ? std::string() : dataFolder + DownloadFolderName;
}

} // namespace Update
