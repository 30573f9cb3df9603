#include "ProgramSetup.h"

#include <unistd.h>

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <system_error>
#include <thread>

#include "settings/SettingsStore.h"

void prepareProcess() {
    // The window repaints a few small strips twenty times a second; sent
    // plainly, such updates cost the X server and the player one wake-up
    // each instead of a shared-memory round trip.
    if (qEnvironmentVariableIsEmpty("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    settings::prefetch(QStringLiteral("ravelle"));
}

void setApplicationIdentity() {
    QGuiApplication::setApplicationName(kProgramName);
    QGuiApplication::setApplicationVersion(QStringLiteral("1.3.0.24"));
    QGuiApplication::setDesktopFileName(kDesktopEntry);
    // The playlist's store, read meanwhile, may now be parsed beside the
    // window's own setting up.
    settings::parseAhead();
}

void endProcess(int status) {
    try {
        std::thread([status] {
            std::this_thread::sleep_for(std::chrono::milliseconds(kTeardownLimitMs));
            std::fflush(nullptr);
            ::_exit(status);
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare for the bound: the settings are written all
        // the same.
    }
    settings::closeAllStores();
    std::fflush(nullptr);
    ::_exit(status);
}
