#include "update/Gauge.h"

#include "update/Installer.h"

#include <QPainter>
#include <algorithm>

TGauge::TGauge(QWidget* parent) : QProgressBar(parent)
{
    setObjectName(QStringLiteral("Gauge"));
    setTextVisible(true);
    QProgressBar::setRange(0, 0);
    QProgressBar::setValue(0);
}

void TGauge::SetRange(int minValue, int maxValue)
{
    QProgressBar::setRange(minValue, std::max(minValue, maxValue));
    SetProgress(value());
}

void TGauge::SetProgress(int progress)
{
    // QProgressBar ignores values outside its range; the gauge stops at its ends instead.
    QProgressBar::setValue(std::clamp(progress, minimum(), maximum()));
    update();
}

int TGauge::PercentDone() const
{
    return Update::GaugePercent(minimum(), maximum(), value());
}

QString TGauge::text() const
{
    return QString::number(PercentDone()) + QLatin1Char('%');
}

void TGauge::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::black);
    painter.drawRect(frame);

    QRect done = inside;
    done.setWidth(inside.width() * PercentDone() / 100);
    painter.fillRect(done, Qt::black);

    // The text is black over the empty part and white over the filled part.
    const QString label = text();
    painter.setClipRect(inside);
    painter.drawText(inside, Qt::AlignCenter, label);
    painter.setClipRect(done);
    painter.setPen(Qt::white);
    painter.drawText(inside, Qt::AlignCenter, label);
}
