#include "MprisPlayerAdaptor.h"

#include <QDBusContext>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "Form1.h"
#include "MprisNames.h"
#include "MprisObject.h"
#include "MprisState.h"
#include "errors/EventDispatch.h"

MprisPlayerAdaptor::MprisPlayerAdaptor(QObject* parent, Form1& form)
    : QDBusAbstractAdaptor(parent), m_form(form) {}

QString MprisPlayerAdaptor::playbackStatus() const { return MprisState::of(m_form).playbackStatus; }

QVariantMap MprisPlayerAdaptor::metadata() const {
    auto* object = qobject_cast<MprisObject*>(parent());
    return MprisState::of(m_form, object ? &object->covers() : nullptr).metadata();
}

double MprisPlayerAdaptor::volume() const { return MprisState::of(m_form).volume; }

bool MprisPlayerAdaptor::canGoNext() const { return MprisState::of(m_form).canGoNext; }

bool MprisPlayerAdaptor::canPlay() const { return MprisState::of(m_form).canPlay; }

bool MprisPlayerAdaptor::canPause() const { return MprisState::of(m_form).canPause; }

qlonglong MprisPlayerAdaptor::position() const { return qlonglong(m_form.mci.Position()) * 1000; }

void MprisPlayerAdaptor::setVolume(double volume) {
    if (std::isnan(volume) || !m_form.HScroll1.canBeUsed()) return;
    // The scroll bar's own steps: the change runs through its handler and
    // the hidden slider exactly as a user's move does.
    const int value = int(std::lround(std::clamp(volume, 0.0, 1.0) * mpris::kFullVolume));
    errors::dispatch([&] { m_form.HScroll1.setValue(value); });
}

void MprisPlayerAdaptor::Play() { m_form.Command2.press() || m_form.Command5.press(); }

void MprisPlayerAdaptor::Pause() { m_form.Command3.press(); }

void MprisPlayerAdaptor::PlayPause() {
    // The key pauses what plays and starts what does not. At start-up Pause
    // can be pressed too, although nothing plays: the desktop shows the
    // player stopped there, and the key must start it, not pause nothing.
    if (MprisState::of(m_form).playbackStatus == mpris::kPlaying && m_form.Command3.press()) return;
    m_form.Command5.press() || m_form.Command2.press() || m_form.Command3.press();
}

void MprisPlayerAdaptor::Stop() { m_form.Command4.press(); }

void MprisPlayerAdaptor::Next() { m_form.Command2.press(); }

void MprisPlayerAdaptor::OpenUri(const QString& uri) {
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile()) {
        refuse(QDBusError::InvalidArgs,
               QStringLiteral("Only file:// URIs can be opened, not \"%1\"").arg(uri));
        return;
    }
    // What the Open dialog would have let the user choose: a file that is
    // there.
    const QFileInfo file(url.toLocalFile());
    if (!file.isFile()) {
        refuse(QDBusError::InvalidArgs,
               QStringLiteral("There is no file at \"%1\"").arg(file.filePath()));
        return;
    }
    m_form.cdlg.answerNextWith(file.absoluteFilePath());
    m_form.Command1.press();
    m_form.cdlg.withdrawAnswer();
}

void MprisPlayerAdaptor::refuse(QDBusError::ErrorType type, const QString& message) const {
    // The bus tells the object an adaptor belongs to which call it handles.
    const auto* context = dynamic_cast<const QDBusContext*>(parent());
    if (context && context->calledFromDBus()) context->sendErrorReply(type, message);
}
