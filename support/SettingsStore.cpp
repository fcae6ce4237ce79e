#include "support/SettingsStore.h"

#include "support/Product.h"

namespace Support {

std::unique_ptr<QSettings> OpenSettings()
{
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\") + ProductName,
                                       QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, ProductName, ProductName);
#endif
}

QString SettingText(const QSettings& settings, const QString& key, const QString& fallback)
{
    const QVariant value = settings.value(key);
    if (!value.isValid())
        return fallback;
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

namespace {
const char* const SourcesGroup = "Sources";
struct SourceKey
{
    const char* name;
    QString Sources::*field;
};
const SourceKey SourceKeys[] = {{"QuoteSite", &Sources::quoteSite},
                                {"ClosingPricesSite", &Sources::closingPricesSite},
                                {"MakerSite", &Sources::makerSite}};
} // namespace

Sources DefaultSources()
{
    // Hosts under the reserved .example domain: an unconfigured program fails fast and says so.
    return {QStringLiteral("http://koersen.example/"), QStringLiteral("http://slotkoersen.example/"),
            QStringLiteral("http://www.koerszicht.example/")};
}

Sources ReadSources()
{
    Sources sources = DefaultSources();
    const auto settings = OpenSettings();
    settings->beginGroup(SourcesGroup);
    for (const auto& key : SourceKeys) {
        const QString value = SettingText(*settings, key.name, {}).trimmed();
        if (!value.isEmpty())
            sources.*key.field = value.endsWith(QLatin1Char('/')) ? value : value + QLatin1Char('/');
    }
    return sources;
}

void WriteMissingSources()
{
    const Sources defaults = DefaultSources();
    const auto settings = OpenSettings();
    settings->beginGroup(SourcesGroup);
    for (const auto& key : SourceKeys)
        if (!settings->contains(key.name))
            settings->setValue(key.name, defaults.*key.field);
}

} // namespace Support
