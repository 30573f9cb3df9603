#include "MprisState.h"

#include <QDBusObjectPath>
#include <QUrl>

#include "CoverCache.h"
#include "Form1.h"
#include "MprisNames.h"

namespace {
// A button the user could use, going by its own flags. The window being
// blocked by a dialog for a moment does not change what it offers.
bool offered(const forms::Control& button) { return button.Visible() && button.Enabled(); }

QString statusOf(const Form1& form) {
    if (offered(form.Command3) && form.mci.isPlaying()) return mpris::kPlaying;
    if (offered(form.Command5)) return mpris::kPaused;
    return mpris::kStopped;
}

// The name behind the last "/", as the status line shows it; a path with
// none is shown whole.
QString titleOf(const Form1& form, const QString& path) {
    return path.contains(u'/') ? form.nam(path) : path;
}
}  // namespace

MprisState MprisState::of(const Form1& form, CoverCache* covers) {
    MprisState state;
    state.playbackStatus = statusOf(form);
    state.canPlay = offered(form.Command2) || offered(form.Command5);
    state.canPause = offered(form.Command3);
    state.canGoNext = offered(form.Command2);
    state.volume = double(form.HScroll1.Value()) / mpris::kFullVolume;
    const MediaDevice& mci = form.mci;
    if (mci.isOpen()) {
        const QString path = mci.FileName();
        state.trackPath = mpris::trackPath(mci.tracksOpened());
        state.url = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
        const TrackTags tags = mci.tags();
        state.title = tags.title.isEmpty() ? titleOf(form, path) : tags.title;
        state.artist = tags.artist;
        state.album = tags.album;
        state.trackNumber = tags.trackNumber;
        if (covers) state.artUrl = covers->urlFor(tags.cover, tags.coverType);
        state.lengthUs = qint64(mci.Length()) * 1000;
    }
    return state;
}

QVariantMap MprisState::metadata() const {
    if (trackPath.isEmpty())
        return {{QStringLiteral("mpris:trackid"),
                 QVariant::fromValue(QDBusObjectPath(mpris::kNoTrack))}};
    QVariantMap map{
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(trackPath))},
        {QStringLiteral("xesam:url"), url},
        {QStringLiteral("xesam:title"), title},
    };
    if (lengthUs > 0) map.insert(QStringLiteral("mpris:length"), QVariant::fromValue(lengthUs));
    if (!artist.isEmpty()) map.insert(QStringLiteral("xesam:artist"), QStringList{artist});
    if (!album.isEmpty()) map.insert(QStringLiteral("xesam:album"), album);
    if (trackNumber > 0) map.insert(QStringLiteral("xesam:trackNumber"), trackNumber);
    if (!artUrl.isEmpty()) map.insert(QStringLiteral("mpris:artUrl"), artUrl);
    return map;
}

QVariantMap MprisState::changedSince(const MprisState& before) const {
    QVariantMap changed;
    if (playbackStatus != before.playbackStatus)
        changed.insert(QStringLiteral("PlaybackStatus"), playbackStatus);
    if (canPlay != before.canPlay) changed.insert(QStringLiteral("CanPlay"), canPlay);
    if (canPause != before.canPause) changed.insert(QStringLiteral("CanPause"), canPause);
    if (canGoNext != before.canGoNext) changed.insert(QStringLiteral("CanGoNext"), canGoNext);
    if (volume != before.volume) changed.insert(QStringLiteral("Volume"), volume);
    if (trackPath != before.trackPath || url != before.url || title != before.title ||
        artist != before.artist || album != before.album || trackNumber != before.trackNumber ||
        artUrl != before.artUrl || lengthUs != before.lengthUs)
        changed.insert(QStringLiteral("Metadata"), metadata());
    return changed;
}
