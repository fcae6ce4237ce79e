// The settings file as the program reads it at start and when it places the trend-line
// handles: the window bounds and day count, the six stored handles, the three site roots.
// Input: the text of Koerszicht.ini.

#include "FuzzSupport.h"

#include "chart/ChartScale.h"
#include "chart/Handles.h"
#include "history/DayEntry.h"
#include "session/ProgramSettings.h"
#include "support/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// A series of 232 days around 300 points on a plot area of 640 x 400 pixels.
Chart::ChartScale Scale()
{
    History::EntryList items;
    for (int day = Fuzz::Today - 200; day <= Fuzz::Today + 31; ++day)
        items.push_back(History::MakeEntry(day, std::to_string(280 + day % 40) + ",25"));
    return Chart::MakeScale(items, 640, 400);
}

void CheckSource(const QString& site)
{
    Fuzz::Check(!site.isEmpty() && site.endsWith(QLatin1Char('/')), "a site root ends in a slash",
                site.toStdString());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::SetUp();
    static const QTemporaryDir base;
    static const Chart::ChartScale scale = Scale();
    static int run = 0;

    // A folder of its own per input: QSettings keeps files it has read in a cache.
    const QString folder = base.path() + QStringLiteral("/%1").arg(++run);
    QDir().mkpath(folder + QStringLiteral("/Koerszicht"));
    {
        QFile ini(folder + QStringLiteral("/Koerszicht/Koerszicht.ini"));
        if (!ini.open(QIODevice::WriteOnly))
            return 0;
        ini.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);

    ProgramSettings programSettings;
    const Sources sources = programSettings.ReadSources();
    CheckSource(sources.quoteSite);
    CheckSource(sources.closingPricesSite);
    CheckSource(sources.makerSite);

    {
        const WindowSettings window = programSettings.ReadWindow();
        Fuzz::Check(window.top >= 1 && window.left >= 1, "the window's top and left are at least 1");
        Fuzz::Check(window.dayCount >= MinDayCount && window.dayCount <= MaxDayCount,
                    "the day count is within limits");
        Fuzz::Check(window.width <= MaxWindowExtent && window.height <= MaxWindowExtent,
                    "the window is not larger than a screen can show");

        for (int handle = 0; handle < Chart::HandleCount; ++handle) {
            const Chart::StoredHandle stored = programSettings.ReadHandle(handle);
            const Chart::HandlePlace place = Chart::PlaceHandle(handle, stored, scale);
            const QPoint reference = place.place + QPoint(Chart::HandleOffset, Chart::HandleOffset);
            Fuzz::Check(reference.y() >= scale.ChartTop && place.place.y() <= scale.ChartBottom,
                        "a handle lies within the chart's height");
            // Wherever it went, a handle saved from there comes back to it.
            const bool onPlot = scale.ChartLeft < reference.x() && reference.x() < scale.ChartRight &&
                                scale.ChartTop < reference.y() && reference.y() < scale.ChartBottom;
            if (onPlot)
                Fuzz::Check(
                    Chart::PlaceHandle(handle, Chart::StoreHandle(place.place, scale, ','), scale).fromStore,
                    "a saved place is accepted back");
            if (place.fromStore) {
                Fuzz::Check(reference.x() >= scale.ChartLeft && reference.x() <= scale.ChartRight,
                            "a stored handle lies within the chart's width");
                // Stored again where it was placed, it keeps its day.
                const Chart::StoredHandle again = Chart::StoreHandle(place.place, scale, ',');
                Fuzz::Check(again.day == stored.day, "a placed handle keeps its day");
            } else {
                Fuzz::Check(place.place.x() == Chart::DefaultHandlePlace(handle).x() ||
                                (reference.x() >= scale.ChartLeft && reference.x() <= scale.ChartRight),
                            "a handle is on the chart or at its default place");
            }
        }
    }
    QDir(folder).removeRecursively();
    return 0;
}
