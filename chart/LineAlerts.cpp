#include "chart/LineAlerts.h"

#include "support/Texts.h"

#include <QLocale>
#include <QString>
#include <algorithm>
#include <cmath>

namespace Chart {

std::optional<double> LineValueOnDay(const LineEnds& line, int day)
{
    if (line.fromDay == line.toDay)
        return std::nullopt;
    if (day < std::min(line.fromDay, line.toDay) || day > std::max(line.fromDay, line.toDay))
        return std::nullopt;
    const double slope = (line.toValue - line.fromValue) / (line.toDay - line.fromDay);
    return line.fromValue + slope * (day - line.fromDay);
}

Crossing LineAlert::Check(double previous, double current, double lineValue)
{
    const double margin = AlertMargin * std::fabs(lineValue);
    const bool above = current > lineValue + margin;
    const bool below = current < lineValue - margin;
    switch (m_warned) {
    case Crossing::Rose:
        if (below)
            m_warned = Crossing::None;
        return Crossing::None;
    case Crossing::Fell:
        if (above)
            m_warned = Crossing::None;
        return Crossing::None;
    case Crossing::None:
        break;
    }
    if (previous < lineValue && above)
        m_warned = Crossing::Rose;
    else if (previous > lineValue && below)
        m_warned = Crossing::Fell;
    return m_warned;
}

std::string AlertText(Crossing crossing, int line, double value, double lineValue, Support::Language language)
{
    using Support::Text;
    if (crossing == Crossing::None || line < 0 || line > 2)
        return {};
    const auto number = [language](double v) {
        std::string text = QLocale::c().toString(v, 'f', 2).toStdString();
        if (language == Support::Language::Dutch)
            for (char& c : text)
                if (c == '.')
                    c = ',';
        return text;
    };
    const Text colours[] = {Text::AlertGreen, Text::AlertRed, Text::AlertBlue};
    const bool rose = crossing == Crossing::Rose;
    return std::string(Support::TextFor(Text::AlertStart, language)) + number(value) +
           Support::TextFor(rose ? Text::AlertRose : Text::AlertFell, language) +
           Support::TextFor(colours[line], language) + Support::TextFor(Text::AlertLine, language) +
           number(lineValue) + Support::TextFor(rose ? Text::AlertRoseEnd : Text::AlertFellEnd, language);
}

} // namespace Chart
