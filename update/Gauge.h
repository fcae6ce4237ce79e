#pragma once
// A progress bar drawn black on white with a single border, showing the whole percent of
// its progress within its range (0 for an empty range). A progress outside the range is
// clamped to it.

#include <QProgressBar>

class TGauge : public QProgressBar
{
    Q_OBJECT
public:
    explicit TGauge(QWidget* parent = nullptr);

    void SetRange(int minValue, int maxValue);
    void SetProgress(int progress);
    int Progress() const { return value(); }
    int PercentDone() const;

    QString text() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
