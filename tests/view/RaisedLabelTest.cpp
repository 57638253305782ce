// The raised 3D label of the race heading: an auto-sized label takes the size its caption
// needs, so the heading can place each label after the one before it.
#include <gtest/gtest.h>

#include "RaisedLabel.h"

using namespace turfpad;

TEST(RaisedLabel, AnAutoSizedLabelFollowsItsCaptionAndAFixedOneKeepsItsSize) {
    TLabel3Dj label;
    label.setCaption(QStringLiteral("1"));
    label.setCaption(QString());  // an empty one takes no room
    EXPECT_EQ(label.size(), QSize(0, 0));
    label.setCaption(QStringLiteral("1"));
    const int narrow = label.width();
    label.setCaption(QString::fromUtf8("中山 12R 有馬記念"));
    EXPECT_GT(label.width(), narrow);
    EXPECT_EQ(label.size(), label.sizeHint());
    QFont bigger = label.font();
    bigger.setPixelSize(40);
    label.setFont(bigger);
    EXPECT_EQ(label.size(), label.sizeHint());

    label.setAutoSize(false);
    label.resize(30, 10);
    label.setCaption(QStringLiteral("1234567890"));
    EXPECT_EQ(label.size(), QSize(30, 10));
}
