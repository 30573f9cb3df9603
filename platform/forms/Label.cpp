#include "forms/Label.h"

#include <QEvent>
#include <QPainter>

namespace forms {

class Label::Face : public QLabel {
public:
    using QLabel::QLabel;

    void captionChanged() {
        m_picture = QPixmap();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const qreal ratio = devicePixelRatioF();
        if (m_picture.isNull() || m_picture.size() != size() * ratio) {
            m_picture = QPixmap(size() * ratio);
            m_picture.setDevicePixelRatio(ratio);
            m_picture.fill(palette().color(QPalette::Window));
            QPainter painter(&m_picture);
            painter.setFont(font());
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(rect(), int(alignment()), text());
        }
        QPainter(this).drawPixmap(0, 0, m_picture);
    }

    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
            m_picture = QPixmap();
        QLabel::changeEvent(event);
    }

private:
    QPixmap m_picture;
};

Label::Label(QWidget* form, const QString& name) : Control(new Face(form), name) {
    // The face paints every pixel of the label itself.
    label()->setAttribute(Qt::WA_OpaquePaintEvent);
    label()->setTextFormat(Qt::PlainText);
    label()->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label()->setWordWrap(false);
}

QString Label::Caption() const { return label()->text(); }

void Label::setCaption(const QString& caption) {
    const bool changed = caption != label()->text();
    label()->setText(caption);
    static_cast<Face*>(label())->captionChanged();
    if (changed) notifyChange();
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

}  // namespace forms
