#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

// The offscreen screen is 1024 x 768 as designed, or ZELPHOR_TEST_SCREEN (e.g. 1280x1024).
std::string offscreenConfig() {
    int width = 1024;
    int height = 768;
    const QByteArray wanted = qgetenv("ZELPHOR_TEST_SCREEN");
    if (!wanted.isEmpty()) {
        std::sscanf(wanted.constData(), "%dx%d", &width, &height);
    }
    const std::string path = "/tmp/zelphor-test-screen-" + std::to_string(getpid()) + ".json";
    if (FILE* f = std::fopen(path.c_str(), "w")) {
        std::fprintf(f,
                     "{\"screens\":[{\"name\":\"test\",\"x\":0,\"y\":0,\"width\":%d,\"height\":%d,"
                     "\"logicalDpi\":96,\"logicalBaseDpi\":96,\"dpr\":1}]}",
                     width, height);
        std::fclose(f);
    }
    return path;
}

} // namespace

int main(int argc, char** argv) {
    std::string config;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") {
        config = offscreenConfig();
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.c_str());
    }
    int status = 0;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    if (!config.empty()) {
        std::remove(config.c_str());
    }
    return status;
}
