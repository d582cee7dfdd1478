#include "ExListBox.h"

#include "TestSupport.h"

#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

class ExListBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_list.resize(300, 200);
        m_list.show();
        QApplication::processEvents();
    }

    void TearDown() override
    {
        m_list.close();
        // A tip lingers briefly after it is hidden; let it go so the next test starts clean.
        QToolTip::hideText();
        EXPECT_TRUE(testsupport::WaitUntil([] { return !QToolTip::isVisible(); }, 5000));
    }

    // Rests the mouse at `point` of the list's viewport.
    bool RestMouse(const QPoint& point)
    {
        QHelpEvent event(QEvent::ToolTip, point, m_list.viewport()->mapToGlobal(point));
        QApplication::sendEvent(m_list.viewport(), &event);
        return event.isAccepted();
    }

    QRect ItemRect(int index) const
    {
        return m_list.visualItemRect(m_list.item(index));
    }

    CExListBox m_list;
};

} // namespace

TEST_F(ExListBoxTest, emptyListHasNoToolAndShowsNoTip)
{
    QRect rect(1, 2, 3, 4);
    EXPECT_EQ(m_list.OnToolHitTest(QPoint(5, 5), &rect), -1);
    EXPECT_EQ(rect, QRect(1, 2, 3, 4));
    EXPECT_FALSE(RestMouse(QPoint(5, 5)));
    EXPECT_FALSE(QToolTip::isVisible());
}

TEST_F(ExListBoxTest, shortEntryShowsItsWholeText)
{
    const QString path = QStringLiteral("/home/user/片段/movie.mkv000.qv");
    m_list.AddString(path);
    const QRect expected = ItemRect(0);
    ASSERT_TRUE(expected.isValid());

    QRect rect;
    EXPECT_EQ(m_list.OnToolHitTest(expected.center(), &rect), 0);
    EXPECT_EQ(rect, expected);
    EXPECT_EQ(m_list.OnToolTipText(0), path);

    EXPECT_TRUE(RestMouse(expected.center()));
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), path);
}

TEST_F(ExListBoxTest, longEntryIsCutToSeventyNineCharacters)
{
    QString path = QStringLiteral("/data/");
    while (path.size() < 200)
        path += QStringLiteral("长路径abc/");
    path.truncate(200);
    m_list.AddString(path);

    EXPECT_EQ(m_list.OnToolTipText(0), path.left(79));
    EXPECT_TRUE(RestMouse(ItemRect(0).center()));
    EXPECT_EQ(QToolTip::text(), path.left(79));

    // A character outside the basic plane is two code units: it is dropped whole rather
    // than split at the cut.
    const QString wide = QString(78, QLatin1Char('a')) + QString::fromUcs4(U"\U00020000") + QStringLiteral("tail");
    m_list.AddString(wide);
    const int index = m_list.FindStringExact(0, wide);
    ASSERT_GE(index, 0);
    EXPECT_EQ(m_list.OnToolTipText(index), QString(78, QLatin1Char('a')));

    const QString exact(79, QLatin1Char('b'));
    m_list.AddString(exact);
    EXPECT_EQ(m_list.OnToolTipText(m_list.FindStringExact(0, exact)), exact);
}

TEST_F(ExListBoxTest, pointBelowTheEntriesTakesTheLastEntry)
{
    m_list.AddString(QStringLiteral("/p/a.bin000.qv"));
    m_list.AddString(QStringLiteral("/p/a.bin001.qv"));
    m_list.AddString(QStringLiteral("/p/a.bin002.qv"));
    const QRect last = ItemRect(2);
    const QPoint below(10, last.bottom() + 30);
    ASSERT_LT(below.y(), m_list.viewport()->height());

    QRect rect;
    EXPECT_EQ(m_list.OnToolHitTest(below, &rect), 2);
    EXPECT_EQ(rect, last);
    EXPECT_EQ(m_list.OnToolHitTest(ItemRect(1).center()), 1);

    EXPECT_TRUE(RestMouse(below));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("/p/a.bin002.qv"));
}
