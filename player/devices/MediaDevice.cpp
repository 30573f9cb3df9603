#include "MediaDevice.h"

#include "MediaCommand.h"
#include "MediaError.h"

void MediaDevice::setFileName(const QString& path) {
    if (path == m_fileName) return;
    m_fileName = path;
    notifyChange();
}

void MediaDevice::setCommand(const QString& command) {
    route(command);
    notifyChange();
}

void MediaDevice::route(const QString& command) {
    switch (media::parseCommand(command)) {
        case media::Command::Open:
            open();
            if (isOpen()) {
                ++m_tracksOpened;
                m_outputMissing = false;
            }
            return;
        case media::Command::Play:
            if (!isOpen()) return fail(media::NotOpen);
            play();
            return;
        case media::Command::Pause:
        case media::Command::Stop:
            if (!isOpen()) return fail(media::NotOpen);
            halt();
            return;
        case media::Command::Close:
            close();
            succeed();
            return;
        case media::Command::Unknown:
            fail(media::UnknownCommand, command);
            return;
    }
}

void MediaDevice::fail(int error, const QString& subject) {
    if (error == media::NoOutput || error == media::OutputLost) m_outputMissing = true;
    m_error = error;
    m_errorMessage = media::errorText(error, subject);
}

void MediaDevice::succeed() {
    m_error = media::NoError;
    m_errorMessage.clear();
}
