#include "forms/Label.h"

#include <QEvent>
#include <QPainter>
#include <utility>

namespace forms {

class Label::Face : public QLabel {
public:
    Face(QWidget* form, Label& owner) : QLabel(form), m_owner(owner) {}

    void captionChanged() {
        m_picture = QImage();
        update();
        m_owner.pictureChanged();
    }

    const QImage& picture() {
        const qreal ratio = devicePixelRatioF();
        if (m_picture.isNull() || m_picture.size() != size() * ratio) {
            m_picture = QImage(size() * ratio, QImage::Format_RGB32);
            m_picture.setDevicePixelRatio(ratio);
            m_picture.fill(palette().color(QPalette::Window));
            QPainter painter(&m_picture);
            painter.setFont(font());
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(rect(), int(alignment()), text());
        }
        return m_picture;
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, picture()); }

    void changeEvent(QEvent* event) override {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
            m_picture = QImage();
            m_owner.pictureChanged();
        }
    }

private:
    Label& m_owner;
    QImage m_picture;
};

Label::Label(QWidget* form, const QString& name) : Control(new Face(form, *this), name) {
    // The face paints every pixel of the label itself.
    label()->setAttribute(Qt::WA_OpaquePaintEvent);
    label()->setTextFormat(Qt::PlainText);
    label()->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label()->setWordWrap(false);
}

QString Label::Caption() const { return label()->text(); }

void Label::setCaption(const QString& caption) {
    if (caption == label()->text()) return;
    label()->setText(caption);
    static_cast<Face*>(label())->captionChanged();
    notifyChange();
}

QColor Label::BackColor() const { return label()->palette().color(QPalette::Window); }

void Label::setBackColor(const QColor& color) {
    QPalette p = label()->palette();
    p.setColor(QPalette::Window, color);
    label()->setPalette(p);
}

QColor Label::ForeColor() const { return label()->palette().color(QPalette::WindowText); }

void Label::setForeColor(const QColor& color) {
    QPalette p = label()->palette();
    p.setColor(QPalette::WindowText, color);
    label()->setPalette(p);
}

void Label::setFont(const QFont& font) { label()->setFont(font); }

const QImage& Label::picture() const { return static_cast<Face*>(label())->picture(); }

void Label::setVisible(bool visible) {
    Control::setVisible(visible);
    pictureChanged();
}

void Label::setDrawer(Drawer drawer, bool keepWidget) {
    m_drawer = std::move(drawer);
    m_keepWidget = keepWidget && m_drawer;
    m_widgetSize = widget()->size();
}

void Label::pictureChanged() {
    if (m_drawer) m_drawer(Change::Picture);
}

void Label::applyGeometry() {
    if (!m_keepWidget) {
        Control::applyGeometry();
        return pictureChanged();
    }
    // The drawer shows the label where its place says. The label's own
    // widget only follows a change of size, which changes its picture.
    const QSize size = m_place.pixels().size();
    if (size != m_widgetSize) {
        Control::applyGeometry();
        m_widgetSize = size;
        pictureChanged();
    }
    m_drawer(Change::Place);
}

}  // namespace forms
