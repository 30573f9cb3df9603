#include "forms/Label.h"

namespace forms {

Label::Label(QWidget* form, const QString& name) : Control(new QLabel(form), name) {
    label()->setAutoFillBackground(true);
    label()->setTextFormat(Qt::PlainText);
    label()->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label()->setWordWrap(false);
}

QString Label::Caption() const { return label()->text(); }

void Label::setCaption(const QString& caption) { label()->setText(caption); }

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
