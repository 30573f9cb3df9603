// Start-up and shutdown: bringing the controls into their first state,
// restoring the playlist from the settings store, and saving it at exit.
#include <QTimer>

#include "Form1.h"
#include "SavedPlaylist.h"
#include "errors/Steps.h"
#include "forms/App.h"
#include "forms/CloseOnSignals.h"
#include "forms/MessageBox.h"

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
    SavedPlaylist::Restored restored;
    steps.skip([&] { restored = m_saved->restore(); });
    m_restoring = true;
    steps.skip([&] { List1.AddItems(std::move(restored.entries)); });
    m_restoring = false;
    for (const QString& report : std::as_const(restored.reports)) reportLater(report);
    if (!m_componentError.isEmpty())
        reportLater(QStringLiteral("音量滑块部件无法创建，音量将直接由滚动条设置。\n\n%1")
                        .arg(m_componentError));
}

void Form1::playlistChanged() {
    if (!m_restoring) m_saved->changed();
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
    const QString problem = m_saved->close(forms::closingOnSignal(), kExitSaveLimitMs);
    // Closing for a logout, nobody answers a box: it goes to standard error.
    if (!problem.isEmpty()) forms::MsgBox(problem, forms::MsgBoxStyle::Exclamation);
}
