#include "MemDC.h"

#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QColor kWhite(255, 255, 255);
const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);

QImage WhiteImage()
{
    QImage image(100, 80, QImage::Format_RGB32);
    image.fill(kWhite);
    return image;
}

} // namespace

TEST(MemDC, deliversAClipBoxAwayFromTheOriginToTheSamePlace)
{
    QImage image = WhiteImage();
    {
        QPainter painter(&image);
        painter.setClipRect(QRect(30, 20, 40, 30));
        painter.setCompositionMode(QPainter::CompositionMode_Multiply);
        {
            CMemDC dc(&painter);
            ASSERT_TRUE(dc.IsOffscreen());
            EXPECT_EQ(dc.Area(), QRect(30, 20, 40, 30));
            dc.Painter().fillRect(dc.Area(), kBlue);
            dc.Painter().fillRect(QRect(35, 25, 5, 5), kRed);
            // Nothing reaches the target before the surface goes away.
            EXPECT_EQ(image.pixelColor(35, 25), kWhite);
            EXPECT_EQ(image.pixelColor(30, 20), kWhite);
        }
        EXPECT_EQ(painter.compositionMode(), QPainter::CompositionMode_Multiply);
    }
    EXPECT_EQ(image.pixelColor(35, 25), kRed);
    EXPECT_EQ(image.pixelColor(39, 29), kRed);
    EXPECT_EQ(image.pixelColor(40, 30), kBlue);
    EXPECT_EQ(image.pixelColor(30, 20), kBlue);
    EXPECT_EQ(image.pixelColor(69, 49), kBlue);
    EXPECT_EQ(image.pixelColor(70, 49), kWhite);
    EXPECT_EQ(image.pixelColor(69, 50), kWhite);
    EXPECT_EQ(image.pixelColor(29, 20), kWhite);
    EXPECT_EQ(image.pixelColor(30, 19), kWhite);
}

TEST(MemDC, coversTheWholeDeviceInLogicalCoordinatesWithoutClipping)
{
    QImage image = WhiteImage();
    {
        QPainter painter(&image);
        painter.translate(10, 5);
        CMemDC dc(&painter);
        EXPECT_EQ(dc.Area(), QRect(-10, -5, 100, 80));
        dc.Painter().fillRect(dc.Area(), kBlue);
        dc.Painter().fillRect(QRect(0, 0, 4, 4), kRed);
    }
    EXPECT_EQ(image.pixelColor(0, 0), kBlue);
    EXPECT_EQ(image.pixelColor(99, 79), kBlue);
    EXPECT_EQ(image.pixelColor(9, 5), kBlue);
    EXPECT_EQ(image.pixelColor(10, 5), kRed);
    EXPECT_EQ(image.pixelColor(13, 8), kRed);
    EXPECT_EQ(image.pixelColor(14, 8), kBlue);
}

class EmptyClipBox : public ::testing::TestWithParam<QRect> { };

TEST_P(EmptyClipBox, leavesTheTargetAsItWas)
{
    QImage image = WhiteImage();
    {
        QPainter painter(&image);
        painter.fillRect(QRect(0, 0, 50, 80), kBlue);
        painter.setClipRect(GetParam());
        CMemDC dc(&painter);
        EXPECT_TRUE(dc.Area().isEmpty());
        dc.Painter().fillRect(QRect(0, 0, 100, 80), kRed);
    }
    QImage expected = WhiteImage();
    QPainter(&expected).fillRect(QRect(0, 0, 50, 80), kBlue);
    EXPECT_EQ(image, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, EmptyClipBox, ::testing::Values(QRect(10, 10, 0, 20), QRect(10, 10, 20, 0), QRect(40, 30, 0, 0)));

TEST(MemDC, drawsStraightOntoAPrintingTarget)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("page.pdf"));
    QPdfWriter writer(path);
    QPainter painter(&writer);
    ASSERT_TRUE(painter.isActive());
    EXPECT_TRUE(CMemDC::IsPrinting(painter));
    {
        CMemDC dc(&painter);
        EXPECT_FALSE(dc.IsOffscreen());
        EXPECT_EQ(&dc.Painter(), &painter);
        dc.Painter().fillRect(QRect(0, 0, 100, 100), kRed);
    }
    // The target is still the caller's, and still works.
    EXPECT_TRUE(painter.isActive());
    painter.fillRect(QRect(200, 200, 100, 100), kBlue);
    EXPECT_TRUE(painter.end());
    EXPECT_GT(QFileInfo(path).size(), 0);

    QImage image = WhiteImage();
    QPainter screen(&image);
    EXPECT_FALSE(CMemDC::IsPrinting(screen));
}
