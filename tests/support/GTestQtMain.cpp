// Test entry point: a Qt application object for the whole run, then gtest.
#include <gtest/gtest.h>

#ifdef TESSALY_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
#ifdef TESSALY_TEST_GUI
    // The embedded browser shares its GL context with the widgets.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
