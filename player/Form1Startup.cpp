// Start-up and shutdown: bringing the controls into their first state,
// restoring the playlist from the settings store, and saving it at exit.
#include <QRegularExpression>
#include <QTimer>
#include <cstdio>

#include "Form1.h"
#include "PlaylistAutosave.h"
#include "PlaylistLayout.h"
#include "UnsavedNote.h"
#include "errors/Steps.h"
#include "forms/App.h"
#include "forms/CloseOnSignals.h"
#include "forms/MessageBox.h"
#include "forms/Val.h"
#include "settings/SettingsStore.h"

namespace {
const QString kMissingEntry = QStringLiteral("42.mid");

// The stored count when it is a proper one: a whole decimal number the list
// can hold. Anything else (nothing stored, garbage) is -1.
int storedCount(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    if (!digits.match(text).hasMatch()) return -1;
    const int count = text.toInt();
    return count <= forms::ListBox::kMaxEntries ? count : -1;
}
}  // namespace

void Form1::Form_Load() {
    Command1.setToolTipText(QStringLiteral("打开文件"));
    Command2.setToolTipText(QStringLiteral("点击播放"));
    Command3.setToolTipText(QStringLiteral("暂停播放"));
    Command5.setToolTipText(QStringLiteral("继续播放"));
    Command4.setToolTipText(QStringLiteral("停止播放"));
    Command7.setToolTipText(QStringLiteral("打开文件列表"));
    Command8.setToolTipText(QStringLiteral("关闭文件列表"));

    Command5.setVisible(false);

    Command7.setVisible(true);
    Command8.setVisible(false);
    Command7.setEnabled(true);
    Command8.setEnabled(false);

    setHeight(kPanelClosedHeight);
    List1.setVisible(false);

    // Runs the volume chain nested, before the picture and the playlist.
    HScroll1.setValue(10000);

    // From here on nothing stops start-up: a failing step is passed over.
    errors::Steps steps;
    steps.skip([&] { Picture1.LoadPicture(forms::App::Path() + QStringLiteral("/volm.bmp")); });
    m_restoring = true;
    steps.skip([&] { restorePlaylist(); });
    m_restoring = false;
    steps.skip([&] { reportStore(); });
    if (!m_componentError.isEmpty())
        reportLater(QStringLiteral("音量滑块部件无法创建，音量将直接由滚动条设置。\n\n%1")
                        .arg(m_componentError));
}

void Form1::restorePlaylist() {
    errors::Steps steps;
    QString countText;
    steps.skip([&] {
        countText = settings::GetSetting(kPlaylistApplication, kPlaylistCountSection, kPlaylistKey);
    });
    const int count = storedCount(countText);
    settings::SettingsStore& store = settings::store(kPlaylistApplication);
    if (count >= 0) {
        for (int i = 0; i < count; ++i) {
            QString entry;
            steps.skip([&] {
                entry = settings::GetSetting(kPlaylistApplication, forms::Str(i), kPlaylistKey,
                                             kMissingEntry);
            });
            steps.skip([&] { List1.AddItem(entry); });
        }
    } else if (store.contains(kPlaylistCountSection, kPlaylistKey)) {
        // The count is damaged but the entries may not be: take the ones
        // that are there, in order, so reading never shortens a playlist,
        // and keep the file as it was, since the exit writes a proper count.
        store.keepAside();
        for (int i = 0;
             i < forms::ListBox::kMaxEntries && store.contains(forms::Str(i), kPlaylistKey); ++i)
            steps.skip([&] { List1.AddItem(store.get(forms::Str(i), kPlaylistKey)); });
    }
    // A store that could not be read holds a list this run never saw: the
    // exit leaves it unless the user makes a list of their own.
    m_playlistRestored = store.readProblem().isEmpty();
}

void Form1::reportStore() {
    const QString unsaved = takeUnsavedNote();
    if (!unsaved.isEmpty())
        reportLater(QStringLiteral("上次退出时播放列表没有保存：%1").arg(unsaved));

    const settings::SettingsStore& store = settings::store(kPlaylistApplication);
    if (!store.readProblem().isEmpty()) {
        reportLater(store.neverReplaced()
                        ? QStringLiteral("%1。\n\n播放列表是空的；这个文件保持原样，不会被覆盖。")
                              .arg(store.readProblem())
                        : QStringLiteral("%1。\n\n播放列表是空的；退出时这个文件保持原样，"
                                         "除非您修改了播放列表（那时它先被移到一边）。")
                              .arg(store.readProblem()));
        return;
    }
    if (!store.damagedCopy().isEmpty()) {
        const QString why =
            store.damagedEncoding() ? QStringLiteral("其中有不是 UTF-8 编码的文字，") : QString();
        reportLater(QStringLiteral("设置文件 %1 已损坏，%2本程序不能完全读懂。原文件已另存为 %3，"
                                   "能读出的播放列表已恢复。")
                        .arg(store.path(), why, store.damagedCopy()));
    } else if (!store.error().isEmpty()) {
        reportLater(QStringLiteral("设置文件已损坏：%1。能读出的播放列表已恢复；"
                                   "退出时原文件会先被移到一边。")
                        .arg(store.error()));
    }
}

void Form1::playlistChanged() {
    if (m_restoring) return;
    m_playlistChanged = true;
    m_autosave->changed();
}

void Form1::reportLater(const QString& message) {
    // Told once the window is up, not in the middle of start-up, and not
    // while a termination signal is closing it.
    QTimer::singleShot(0, this, [this, message] {
        if (isVisible() && !forms::closingOnSignal())
            forms::MsgBox(message, forms::MsgBoxStyle::Exclamation);
    });
}

void Form1::Form_Unload(int& Cancel) {
    // Closing always goes ahead.
    Q_UNUSED(Cancel);
    savePlaylist();
}

void Form1::savePlaylist() {
    // The playlist reaches the disk only the autosave's way; what the store
    // took in at start (from a damaged file, say) must not follow it.
    settings::store(kPlaylistApplication).discardPending();
    // A list that was never read from the store (start-up stopped early,
    // or the store could not be read) is not written over it, unless the
    // user has made it theirs.
    if (!m_playlistRestored && !m_playlistChanged) return m_autosave->stop(0);

    // The way every save goes, waited for a bounded time: a disk that does
    // not answer must not keep the program from ending.
    const PlaylistAutosave::Outcome saved =
        m_autosave->saveNow(m_playlistChanged, kExitSaveLimitMs);
    m_autosave->stop(0);
    if (saved.written) return;
    const QString message = QStringLiteral("播放列表没有保存：%1").arg(saved.error);
    if (saved.timedOut) {
        // Whatever else would tell it needs the same disk.
        std::fprintf(stderr, "ravelle: %s\n", message.toLocal8Bit().constData());
        return;
    }
    // Closing for a logout: nobody answers a box now. Standard error has
    // it at once, and the next start tells the user.
    if (forms::closingOnSignal()) leaveUnsavedNote(saved.error);
    forms::MsgBox(message, forms::MsgBoxStyle::Exclamation);
}
