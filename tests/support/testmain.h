#pragma once

#include <QApplication>
#include <QtTest>

// QTEST_MAIN for tests that start the browser engine: the engine wants to share the widgets'
// graphics context, which must be asked for before the application object exists.
#define VANTREL_ENGINE_TEST_MAIN(TestClass)                                                        \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);                                \
        QApplication app(argc, argv);                                                              \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
