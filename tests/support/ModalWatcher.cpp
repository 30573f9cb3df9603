#include "support/ModalWatcher.h"

#include <QApplication>
#include <QMessageBox>

ModalWatcher::ModalWatcher() {
    m_timer.setInterval(10);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start();
}

void ModalWatcher::poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    m_seen.append({box->windowTitle(), box->text(), box->icon() != QMessageBox::NoIcon});
    box->accept();
}
