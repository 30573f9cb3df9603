#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <functional>

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

    // For whatever draws the label from picture() rather than through its
    // own widget (a row that scrolls it): told at once when the picture
    // changes (caption, colours, font, size, Visible, or a move through the
    // widget) and, with keepWidget, when the label moves. An empty drawer
    // stops the notices.
    //
    // With keepWidget, a move leaves the label's own widget where it was,
    // beneath what draws it there; the widget still follows a change of
    // size. Screen readers still find it, with its caption.
    enum class Change { Picture, Place };
    using Drawer = std::function<void(Change)>;
    void setDrawer(Drawer drawer, bool keepWidget);

protected:
    void applyGeometry() override;

private:
    class Face;

    void pictureChanged();

    Drawer m_drawer;
    bool m_keepWidget = false;
    QSize m_widgetSize;  // as last placed, while the widget keeps its place
};

}  // namespace forms
