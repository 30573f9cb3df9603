#include "forms/Form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

#include "errors/EventDispatch.h"
#include "forms/Control.h"
#include "forms/Menu.h"
#include "forms/Twips.h"

namespace forms {

Form::Form(const QString& name, float clientWidth, float clientHeight)
    : m_clientWidth(clientWidth), m_outerHeight(clientHeight) {
    setObjectName(name);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAcceptDrops(true);
    applyHeight();
}

void Form::setHeight(float twips) {
    m_outerHeight = twips;
    applyHeight();
}

void Form::applyHeight() {
    const int client = std::max(1, twipsToPixels(m_outerHeight) - m_frameExtra);
    setFixedSize(twipsToPixels(m_clientWidth), client);
}

void Form::Show() {
    if (!m_loaded) {
        m_loaded = true;
        if (Load) errors::dispatch(Load);
    }
    show();
}

void Form::PopupMenu(Menu& menu) { menu.popup(); }

void Form::bringToFront() {
    if (m_closed) return;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

namespace {
// The local files and folders a drag carries; nothing else is taken.
QList<QUrl> localUrls(const QMimeData* data) {
    QList<QUrl> local;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) local << url;
    return local;
}
}  // namespace

void Form::dragEnterEvent(QDragEnterEvent* event) {
    if (OLEDragDrop && !localUrls(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void Form::dropEvent(QDropEvent* event) {
    const QList<QUrl> dropped = localUrls(event->mimeData());
    if (!OLEDragDrop || dropped.isEmpty()) return;
    event->acceptProposedAction();
    errors::dispatch([&] { OLEDragDrop(dropped); });
}

bool Form::takesInput() const {
    if (QApplication::activePopupWidget()) return false;
    const QWidget* modal = QApplication::activeModalWidget();
    return !modal || modal == this;
}

void Form::setTabOrder(std::initializer_list<Control*> order) {
    const Control* previous = nullptr;
    for (const Control* control : order) {
        if (previous) QWidget::setTabOrder(previous->widget(), control->widget());
        previous = control;
    }
}

void Form::closeEvent(QCloseEvent* event) {
    int cancel = 0;
    if (Unload) errors::dispatch([&] { Unload(cancel); });
    if (cancel) {
        event->ignore();
    } else {
        m_closed = true;
        event->accept();
    }
}

void Form::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    moveEvent(nullptr);
    // On Wayland the toolkit draws the frame itself, once the window is
    // made, and the window is never moved: look again when that is done.
    QTimer::singleShot(0, this, [this] { moveEvent(nullptr); });
}

void Form::moveEvent(QMoveEvent* event) {
    if (event) QWidget::moveEvent(event);
    // The window manager frames the window after it is mapped; once the
    // frame is known, the client area is what is left of the outer height.
    const int extra = frameGeometry().height() - geometry().height();
    if (extra != m_frameExtra && extra >= 0) {
        m_frameExtra = extra;
        applyHeight();
    }
}

}  // namespace forms
