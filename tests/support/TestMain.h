#pragma once
// The main() of a test program that shows widgets: the application is set up
// as the player sets itself up (the Flash display area needs that before the
// QApplication exists), then the test object runs.
#include <QApplication>
#include <QtTest/QtTest>

#include "flash/FlashPlayer.h"

template <typename Test>
int runWidgetTest(int argc, char** argv)
{
    corvane::FlashPlayer::prepareApplication();
    QApplication app(argc, argv);
    Test test;
    return QTest::qExec(&test, argc, argv);
}

#define CORVANE_WIDGET_TEST_MAIN(Test)                                                                                 \
    int main(int argc, char** argv) { return runWidgetTest<Test>(argc, argv); }
