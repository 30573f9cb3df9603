#pragma once

#include <QColor>
#include <QLabel>

#include "forms/Control.h"

namespace forms {

// A box that shows a picture loaded from a file at its natural size, on its
// background colour.
class PictureBox : public Control {
public:
    PictureBox(QWidget* form, const QString& name);

    // Loads the picture file. A missing file is error 53, a file that is not
    // a picture error 481; the box then keeps what it showed before.
    void LoadPicture(const QString& path);
    bool HasPicture() const;

    QColor BackColor() const;
    void setBackColor(const QColor& color);

    QLabel* box() const { return static_cast<QLabel*>(widget()); }
};

}  // namespace forms
