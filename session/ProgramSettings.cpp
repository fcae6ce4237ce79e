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
const QString QuoteSourcesKey = QStringLiteral("QuoteSources");
const QString ClosingPricesSourcesKey = QStringLiteral("ClosingPricesSources");

QString SourceGroup(const std::string& name)
{
    return QStringLiteral("Source-") + QString::fromStdString(name);
}

// A request header other than the Referer is kept under "Header-<name>".
QString HeaderKey(const std::string& name)
{
    const QString header = QString::fromStdString(name).trimmed();
    return header.compare(QLatin1String("Referer"), Qt::CaseInsensitive) == 0
               ? QStringLiteral("Referer")
               : QStringLiteral("Header-") + header;
}

// A source's name: letters, digits, '-', '_' and '.', so that it makes a plain group name.
bool IsSourceName(const QString& name)
{
    return !name.isEmpty() && std::all_of(name.begin(), name.end(), [](QChar c) {
        return (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('-') ||
               c == QLatin1Char('_') || c == QLatin1Char('.');
    });
}

Quotes::SourceDefinition ReadSource(QSettings& settings, const QString& name)
{
    Quotes::SourceDefinition source;
    source.name = name.toStdString();
    if (!IsSourceName(name))
        return source;
    if (std::optional<Quotes::SourceDefinition> known = Quotes::DefaultSource(source.name))
        source = std::move(*known);
    settings.beginGroup(SourceGroup(source.name));
    for (const QString& key : settings.childKeys()) {
        const std::string value = Support::SettingText(settings, key, {}).trimmed().toStdString();
        if (key == QLatin1String("Kind")) {
            source.kindText = value;
            source.kind = Quotes::SourceKindOf(value);
        } else if (key == QLatin1String("Url")) {
            source.url = value;
        } else if (key == QLatin1String("UserAgent")) {
            // The agent this program wrote as its default follows the default of this version.
            source.userAgent = Quotes::IsFormerDefaultAgent(value) ? Quotes::DefaultSourceAgent() : value;
        } else if (key == QLatin1String("Referer") || key.startsWith(QLatin1String("Header-"))) {
            const std::string header = key == QLatin1String("Referer") ? "Referer" : key.mid(7).toStdString();
            const auto same =
                std::find_if(source.headers.begin(), source.headers.end(), [&](const std::string& h) {
                    return QString::fromStdString(h.substr(0, h.find(':')))
                               .compare(QString::fromStdString(header), Qt::CaseInsensitive) == 0;
                });
            if (same != source.headers.end())
                source.headers.erase(same);
            if (!value.empty())
                source.headers.push_back(header + ": " + value);
        } else {
            source.selectors[key.toStdString()] = value;
        }
    }
    settings.endGroup();
    return source;
}

} // namespace

std::vector<Quotes::SourceDefinition> ProgramSettings::ReadSourceList(const QString& key,
                                                                      const char* fallback)
{
    const auto settings = Support::OpenSettings();
    settings->beginGroup(SourcesGroup);
    QString list = Support::SettingText(*settings, key, {}).trimmed();
    if (list.isEmpty())
        list = QString::fromLatin1(fallback);
    settings->endGroup();
    std::vector<Quotes::SourceDefinition> sources;
    for (const QString& name : list.split(QLatin1Char(','), Qt::SkipEmptyParts))
        sources.push_back(ReadSource(*settings, name.trimmed()));
    return sources;
}

int ClampDayCount(int dayCount)
{
    return std::clamp(dayCount, MinDayCount, MaxDayCount);
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
    values.dayCountStored = settings->contains(QStringLiteral("Dagen"));
    values.dayCount = ClampDayCount(ReadInt(*settings, "Dagen", values.dayCount));
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
    settings->setValue(QStringLiteral("Dagen"), values.dayCount);
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

QString ProgramSettings::AlertKey(int line)
{
    static const char* const names[] = {"Waarschuw-Groen", "Waarschuw-Rood", "Waarschuw-Blauw"};
    return QString::fromLatin1(names[std::clamp(line, 0, 2)]);
}

bool ProgramSettings::ReadAlertOn(int line) const
{
    const auto settings = Support::OpenSettings();
    settings->beginGroup(DefaultsGroup);
    return settings->value(AlertKey(line), true).toBool();
}

void ProgramSettings::WriteAlertOn(int line, bool on)
{
    const auto settings = Support::OpenSettings();
    settings->beginGroup(DefaultsGroup);
    settings->setValue(AlertKey(line), on);
}

Support::ExchangeCalendar ProgramSettings::ReadExchangeCalendar(std::vector<std::string>* bad) const
{
    const auto settings = Support::OpenSettings();
    settings->beginGroup(QStringLiteral("Beurs"));
    // One date reads as a text, several (comma-separated in the INI file) as a list.
    const auto list = [&settings](const char* key) {
        std::vector<std::string> entries;
        for (const QString& entry : settings->value(QLatin1String(key)).toStringList())
            entries.push_back(entry.toStdString());
        return entries;
    };
    return Support::ExchangeCalendar::WithLists(list("Gesloten"), list("Open"), bad);
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
    if (!settings->contains(QuoteSourcesKey))
        settings->setValue(QuoteSourcesKey, QString::fromLatin1(Quotes::DefaultQuoteSources));
    if (!settings->contains(ClosingPricesSourcesKey))
        settings->setValue(ClosingPricesSourcesKey, QString::fromLatin1(Quotes::DefaultClosingPricesSources));
    settings->endGroup();
    for (const Quotes::SourceDefinition& source : Quotes::DefaultSourceDefinitions()) {
        settings->beginGroup(SourceGroup(source.name));
        if (settings->childKeys().isEmpty()) {
            settings->setValue(QStringLiteral("Kind"),
                               QString::fromLatin1(Quotes::SourceKindName(source.kind)));
            if (!source.url.empty())
                settings->setValue(QStringLiteral("Url"), QString::fromStdString(source.url));
            if (!source.userAgent.empty())
                settings->setValue(QStringLiteral("UserAgent"), QString::fromStdString(source.userAgent));
            for (const std::string& header : source.headers) {
                const auto colon = header.find(':');
                const std::string name = header.substr(0, colon);
                const std::string value = colon == std::string::npos ? "" : header.substr(colon + 1);
                settings->setValue(HeaderKey(name), QString::fromStdString(value).trimmed());
            }
            for (const auto& [key, value] : source.selectors)
                settings->setValue(QString::fromStdString(key), QString::fromStdString(value));
        }
        settings->endGroup();
    }
}

std::vector<Quotes::SourceDefinition> ProgramSettings::ReadQuoteSources() const
{
    return ReadSourceList(QuoteSourcesKey, Quotes::DefaultQuoteSources);
}

std::vector<Quotes::SourceDefinition> ProgramSettings::ReadClosingPricesSources() const
{
    return ReadSourceList(ClosingPricesSourcesKey, Quotes::DefaultClosingPricesSources);
}
