#include "session/ProgramSettings.h"

#include "support/SettingsStore.h"

#include <algorithm>
#include <charconv>

namespace {
const QString DefaultsGroup = QStringLiteral("Defaults");
const QString SourcesGroup = QStringLiteral("Sources");

int ReadInt(const QSettings& settings, const char* key, int fallback)
{
    bool ok = false;
    const int value = settings.value(key, fallback).toInt(&ok);
    return ok ? value : fallback;
}

// A day stored as a whole number; anything else reads as 0 (no day).
int ReadDay(const QString& text)
{
    const QByteArray digits = text.trimmed().toLatin1();
    int day = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), day);
    if (error != std::errc() || end != digits.data() + digits.size())
        return 0;
    return day;
}

struct SourceKey
{
    const char* name;
    QString Sources::*field;
};
const SourceKey SourceKeys[] = {{"QuoteSite", &Sources::quoteSite},
                                {"ClosingPricesSite", &Sources::closingPricesSite},
                                {"MakerSite", &Sources::makerSite}};
} // namespace

int ClampDayCount(int dagen)
{
    return std::clamp(dagen, MinDayCount, MaxDayCount);
}

WindowSettings ProgramSettings::ReadWindow() const
{
    WindowSettings values;
    const auto settings = Support::OpenSettings();
    settings->beginGroup(DefaultsGroup);
    values.top = std::max(1, ReadInt(*settings, "Top", values.top));
    values.left = std::max(1, ReadInt(*settings, "Left", values.left));
    values.width = std::min(ReadInt(*settings, "Width", values.width), MaxWindowExtent);
    values.height = std::min(ReadInt(*settings, "Height", values.height), MaxWindowExtent);
    values.dagenStored = settings->contains(QStringLiteral("Dagen"));
    values.dagen = ClampDayCount(ReadInt(*settings, "Dagen", values.dagen));
    return values;
}

bool ProgramSettings::WriteWindow(const WindowSettings& values)
{
    const auto settings = Support::OpenSettings();
    settings->beginGroup(DefaultsGroup);
    settings->setValue(QStringLiteral("Top"), values.top);
    settings->setValue(QStringLiteral("Left"), values.left);
    settings->setValue(QStringLiteral("Width"), values.width);
    settings->setValue(QStringLiteral("Height"), values.height);
    settings->setValue(QStringLiteral("Dagen"), values.dagen);
    settings->endGroup();
    settings->sync();
    if (settings->status() == QSettings::NoError)
        return true;
    qWarning("The settings could not be saved in %s", qUtf8Printable(settings->fileName()));
    return false;
}

QString ProgramSettings::HandleLeftKey(int handle)
{
    return QStringLiteral("Shape%1-Left").arg(handle + 3);
}

QString ProgramSettings::HandleTopKey(int handle)
{
    return QStringLiteral("Shape%1-Top").arg(handle + 3);
}

Chart::StoredHandle ProgramSettings::ReadHandle(int handle) const
{
    const auto settings = Support::OpenSettings();
    settings->beginGroup(DefaultsGroup);
    Chart::StoredHandle stored;
    stored.day = ReadDay(Support::SettingText(*settings, HandleLeftKey(handle), QStringLiteral("0")));
    stored.valueText = Support::SettingText(*settings, HandleTopKey(handle), QStringLiteral("0.0"));
    return stored;
}

void ProgramSettings::WriteHandle(int handle, const Chart::StoredHandle& stored)
{
    const auto settings = Support::OpenSettings();
    settings->beginGroup(DefaultsGroup);
    settings->setValue(HandleLeftKey(handle), stored.day);
    settings->setValue(HandleTopKey(handle), stored.valueText);
}

Sources ProgramSettings::DefaultSources()
{
    // Hosts under the reserved .example domain: an unconfigured program fails fast and says so.
    return {QStringLiteral("http://koersen.example/"), QStringLiteral("http://slotkoersen.example/"),
            QStringLiteral("http://www.koerszicht.example/")};
}

Sources ProgramSettings::ReadSources() const
{
    Sources sources = DefaultSources();
    const auto settings = Support::OpenSettings();
    settings->beginGroup(SourcesGroup);
    for (const auto& key : SourceKeys) {
        const QString value = Support::SettingText(*settings, key.name, {}).trimmed();
        if (!value.isEmpty())
            sources.*key.field = value.endsWith(QLatin1Char('/')) ? value : value + QLatin1Char('/');
    }
    return sources;
}

void ProgramSettings::WriteMissingSources()
{
    const Sources defaults = DefaultSources();
    const auto settings = Support::OpenSettings();
    settings->beginGroup(SourcesGroup);
    for (const auto& key : SourceKeys)
        if (!settings->contains(key.name))
            settings->setValue(key.name, defaults.*key.field);
}
