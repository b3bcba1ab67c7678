#include <QApplication>
#include <QDir>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
    // The offscreen screen is 1024 x 768 as designed, or ZELPHOR_TEST_SCREEN (e.g. 1280x1024).
    QTemporaryFile config(QDir::tempPath() + QStringLiteral("/zelphor-test-screen-XXXXXX.json"));
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if ((platform.isEmpty() || platform == "offscreen") && config.open()) {
        int width = 1024;
        int height = 768;
        std::sscanf(qgetenv("ZELPHOR_TEST_SCREEN").constData(), "%dx%d", &width, &height);
        config.write(QStringLiteral("{\"screens\":[{\"name\":\"test\",\"x\":0,\"y\":0,\"width\":%1,"
                                    "\"height\":%2,\"logicalDpi\":96,\"logicalBaseDpi\":96,"
                                    "\"dpr\":1}]}")
                         .arg(width)
                         .arg(height)
                         .toUtf8());
        config.flush();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.fileName().toUtf8());
    }
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
