// The map of named widgets that outside scripts click by: each named, visible widget of a
// window shown, in the window's coordinates, appended to the file.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>

#include "WidgetMap.h"

using namespace turfpad;

TEST(WidgetMap, EachWindowShownAddsItsNamedWidgetsInWindowCoordinates) {
    QTemporaryDir dir;
    const QString path = dir.filePath("map.tsv");
    WidgetMapWriter writer(path);
    qApp->installEventFilter(&writer);
    QWidget window;
    window.setWindowTitle(QString::fromUtf8("ＪＶデータ取込"));
    window.resize(300, 200);
    auto* panel = new QWidget(&window);
    panel->setObjectName("Panel1");
    panel->setGeometry(10, 5, 200, 100);
    auto* button = new QPushButton(panel);
    button->setObjectName("ButtonStart");
    button->setGeometry(30, 40, 50, 20);
    new QPushButton(panel);  // no name: left out
    auto* hidden = new QPushButton(&window);
    hidden->setObjectName("Hidden");
    hidden->hide();
    window.show();
    QApplication::processEvents();
    window.hide();
    window.show();
    QApplication::processEvents();
    qApp->removeEventFilter(&writer);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray once = QString::fromUtf8(
                                "ＪＶデータ取込\tPanel1\t10\t5\t200\t100\n"
                                "ＪＶデータ取込\tButtonStart\t40\t45\t50\t20\n")
                                .toUtf8();
    EXPECT_EQ(file.readAll(), once + once);
}
