// Start-up and shutdown: bringing the controls into their first state,
// restoring the playlist from the settings store, and saving it at exit.
#include <QRegularExpression>
#include <QTimer>

#include "Form1.h"
#include "errors/Steps.h"
#include "forms/App.h"
#include "forms/MessageBox.h"
#include "forms/Val.h"
#include "settings/SettingsStore.h"

namespace {
const QString kApplication = QStringLiteral("ravelle");
const QString kCountSection = QStringLiteral("num");
const QString kKey = QStringLiteral("value");
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
    steps.skip([&] { restorePlaylist(); });
    if (!m_componentError.isEmpty())
        reportLater(QStringLiteral("音量滑块部件无法创建，音量将直接由滚动条设置。\n\n%1")
                        .arg(m_componentError));
}

void Form1::restorePlaylist() {
    errors::Steps steps;
    QString countText;
    steps.skip([&] { countText = settings::GetSetting(kApplication, kCountSection, kKey); });
    const int count = storedCount(countText);
    if (count >= 0) {
        for (int i = 0; i < count; ++i) {
            QString entry;
            steps.skip([&] {
                entry = settings::GetSetting(kApplication, forms::Str(i), kKey, kMissingEntry);
            });
            steps.skip([&] { List1.AddItem(entry); });
        }
    } else if (!countText.isEmpty()) {
        // The count is damaged but the entries may not be: take the ones
        // that are there, in order, so reading never shortens a playlist.
        // Saving at exit writes a proper count again.
        settings::SettingsStore& store = settings::store(kApplication);
        for (int i = 0; i < forms::ListBox::kMaxEntries && store.contains(forms::Str(i), kKey); ++i)
            steps.skip([&] { List1.AddItem(store.get(forms::Str(i), kKey)); });
    }

    const QString damagedCopy = settings::store(kApplication).damagedCopy();
    if (!damagedCopy.isEmpty())
        reportLater(QStringLiteral("设置文件已损坏。原文件已另存为 %1，能读出的播放列表已恢复。")
                        .arg(damagedCopy));
}

void Form1::reportLater(const QString& message) {
    // Told once the window is up, not in the middle of start-up.
    QTimer::singleShot(0, this,
                       [message] { forms::MsgBox(message, forms::MsgBoxStyle::Exclamation); });
}

void Form1::Form_Unload(int& Cancel) {
    // Closing always goes ahead.
    Q_UNUSED(Cancel);
    savePlaylist();
}

void Form1::savePlaylist() {
    const int n = List1.ListCount();
    for (int i = 0; i < n; ++i)
        settings::SaveSetting(kApplication, forms::Str(i), kKey, List1.List(i));
    // The count goes last, after every entry it counts.
    settings::SaveSetting(kApplication, kCountSection, kKey, forms::Str(List1.ListCount()));

    settings::SettingsStore& store = settings::store(kApplication);
    if (!store.sync()) {
        forms::MsgBox(QStringLiteral("播放列表没有保存：%1").arg(store.error()),
                      forms::MsgBoxStyle::Exclamation);
    }
}
