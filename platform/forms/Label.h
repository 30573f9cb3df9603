#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

#include "forms/Control.h"

namespace forms {

// A caption on a coloured rectangle. It takes no focus and no input.
// Labels that scroll move twenty times a second, so a label draws itself
// from a picture of its caption made once, not by laying out its text on
// every move.
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

private:
    class Face;
};

}  // namespace forms
