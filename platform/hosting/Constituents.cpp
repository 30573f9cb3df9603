#include "hosting/Constituents.h"

#include <QPainter>

namespace hosting {

ConstituentWindow::ConstituentWindow(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void ConstituentWindow::setFill(std::optional<QColor> color) {
    m_fill = color;
    update();
}

void ConstituentWindow::setPicture(const QImage& picture) {
    m_picture = picture;
    update();
}

void ConstituentWindow::paintEvent(QPaintEvent*) {
    if (!m_fill && m_picture.isNull()) return;
    QPainter painter(this);
    if (m_fill) painter.fillRect(rect(), *m_fill);
    if (!m_picture.isNull()) painter.drawImage(rect(), m_picture);
}

ConstituentPicture::ConstituentPicture(QWidget* userControl, const QString& name)
    : forms::Control(new ConstituentWindow(userControl), name) {
    window()->setFill(QColor(Qt::white));
}

ConstituentImage::ConstituentImage(QWidget* userControl, const QString& name)
    : forms::Control(new ConstituentWindow(userControl), name) {}

}  // namespace hosting
