#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

#include "forms/Control.h"

namespace forms {

// A caption on a coloured rectangle. It takes no focus and no input.
class Label : public Control {
public:
    Label(QWidget* form, const QString& name);

    QString Caption() const;
    void setCaption(const QString& caption);

    QColor BackColor() const;
    void setBackColor(const QColor& color);
    QColor ForeColor() const;
    void setForeColor(const QColor& color);
    void setFont(const QFont& font);

    QLabel* label() const { return static_cast<QLabel*>(widget()); }
};

}  // namespace forms
