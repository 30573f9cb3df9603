#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLabel>

#include "forms/Control.h"

namespace forms {

class StripRow;

// A caption on a coloured rectangle. It takes no focus and no input.
// Labels that scroll move twenty times a second, so a label draws itself
// from a picture of its caption made once, not by laying out its text on
// every move.
class Label : public Control {
public:
    Label(QWidget* form, const QString& name);

    QString Caption() const;
    // Writing the caption it already has changes nothing and draws nothing.
    void setCaption(const QString& caption);

    QColor BackColor() const;
    void setBackColor(const QColor& color);
    QColor ForeColor() const;
    void setForeColor(const QColor& color);
    void setFont(const QFont& font);

    QLabel* label() const { return static_cast<QLabel*>(widget()); }

    void setVisible(bool visible) override;

    // The label as drawn: its colour and caption at its size in device
    // pixels, opaque.
    const QImage& picture() const;

protected:
    void applyGeometry() override;

private:
    friend class StripRow;
    class Face;

    // Tells the row that draws this label, if one does, that it looks
    // different now.
    void pictureChanged();

    // Set while a row draws this label: beneath its strips, or as one of
    // them where its place says.
    StripRow* m_row = nullptr;
    bool m_isStrip = false;
    QSize m_stripSize;  // its widget's, as last placed
};

}  // namespace forms
