#include "ProgramSetup.h"

#include <malloc.h>
#include <unistd.h>

#include <QGuiApplication>
#include <chrono>
#include <cstdio>
#include <system_error>
#include <thread>

#include "SavedPlaylist.h"
#include "settings/SettingsStore.h"

void prepareProcess() {
    // A playlist of 32,767 entries is read, saved and edited in buffers of
    // megabytes. Left to itself, the C library raises its threshold for
    // handing such a buffer back to the system each time one is freed, and
    // the next ones then stay with the process after use: fixed, every
    // large buffer goes back when it is freed.
    ::mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    // The window repaints a few small strips twenty times a second; sent
    // plainly, such updates cost the X server and the player one wake-up
    // each instead of a shared-memory round trip.
    if (qEnvironmentVariableIsEmpty("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    SavedPlaylist::readAhead();
}

void setApplicationIdentity() {
    QGuiApplication::setApplicationName(kProgramName);
    QGuiApplication::setApplicationVersion(kProgramVersion);
    QGuiApplication::setDesktopFileName(kDesktopEntry);
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
