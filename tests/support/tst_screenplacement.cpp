// Keeping a window on its screen's available area.

#include "support/ScreenPlacement.h"

#include <QTest>

class TestScreenPlacement : public QObject
{
    Q_OBJECT

private slots:
    void keptOnScreen_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QPoint>("topLeft");

        // The update window's design place and size.
        const QRect update(383, 375, 358, 255);
        QTest::newRow("800x600: moved up to the bottom edge")
            << update << QRect(0, 0, 800, 600) << QPoint(383, 345);
        QTest::newRow("800x600 with a task bar below") << update << QRect(0, 0, 800, 570) << QPoint(383, 315);
        QTest::newRow("800x600 with a task bar on the left")
            << update << QRect(60, 0, 740, 600) << QPoint(383, 345);
        QTest::newRow("640x480: moved left and up") << update << QRect(0, 0, 640, 480) << QPoint(282, 225);
        QTest::newRow("1024x768: stays") << update << QRect(0, 0, 1024, 768) << QPoint(383, 375);
        QTest::newRow("1920x1080: stays") << update << QRect(0, 0, 1920, 1080) << QPoint(383, 375);
        QTest::newRow("second screen to the right, frame on it")
            << QRect(3000, 900, 358, 255) << QRect(1920, 0, 1280, 1024) << QPoint(2842, 769);
        QTest::newRow("second screen to the right, frame left of it")
            << update << QRect(1920, 0, 1280, 1024) << QPoint(1920, 375);
        QTest::newRow("second screen to the left, negative places")
            << QRect(-300, 900, 358, 255) << QRect(-1280, 0, 1280, 1024) << QPoint(-358, 769);
        QTest::newRow("second screen below, frame above it")
            << QRect(100, 500, 358, 255) << QRect(0, 1080, 1920, 1080) << QPoint(100, 1080);
        QTest::newRow("above and left of the area")
            << QRect(-50, -20, 358, 255) << QRect(0, 0, 800, 600) << QPoint(0, 0);
        QTest::newRow("exactly fits") << QRect(0, 0, 800, 600) << QRect(0, 0, 800, 600) << QPoint(0, 0);
        QTest::newRow("touches the right and bottom edges")
            << QRect(442, 345, 358, 255) << QRect(0, 0, 800, 600) << QPoint(442, 345);
        QTest::newRow("wider and taller than the area: caption corner on the area's")
            << QRect(200, 300, 1000, 700) << QRect(0, 0, 800, 600) << QPoint(0, 0);
        QTest::newRow("larger than an offset area")
            << QRect(0, 0, 1000, 700) << QRect(1920, 30, 800, 570) << QPoint(1920, 30);
        QTest::newRow("empty area: left as it is") << update << QRect() << QPoint(383, 375);
    }
    void keptOnScreen()
    {
        QFETCH(QRect, frame);
        QFETCH(QRect, available);
        QFETCH(QPoint, topLeft);
        const QRect kept = Support::KeptOnScreen(frame, available);
        QCOMPARE(kept.topLeft(), topLeft);
        QCOMPARE(kept.size(), frame.size());
        if (frame.width() <= available.width() && frame.height() <= available.height())
            QVERIFY(available.contains(kept));
    }
};

QTEST_APPLESS_MAIN(TestScreenPlacement)
#include "tst_screenplacement.moc"
