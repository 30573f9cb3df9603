#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <optional>

#include "forms/Control.h"

namespace hosting {

// The window of a constituent. Each constituent is a real child window so
// that it can take the keyboard focus and a pointer grab of its own.
class ConstituentWindow : public QWidget {
public:
    explicit ConstituentWindow(QWidget* parent);

    // A picture box fills itself with its background colour and shows its
    // picture over the whole box; an image without a picture draws nothing.
    void setFill(std::optional<QColor> color);
    std::optional<QColor> fill() const { return m_fill; }
    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    std::optional<QColor> m_fill;
    QImage m_picture;
};

// A picture box inside a user control, placed in twips within it.
class ConstituentPicture : public forms::Control {
public:
    ConstituentPicture(QWidget* userControl, const QString& name);

    QColor BackColor() const { return *window()->fill(); }
    void setBackColor(const QColor& color) { window()->setFill(color); }
    QColor ForeColor() const { return m_foreColor; }
    void setForeColor(const QColor& color) { m_foreColor = color; }
    // Shown stretched over the box; a picture as big as the box shows pixel
    // for pixel.
    void setPicture(const QImage& picture) { window()->setPicture(picture); }
    const QImage& Picture() const { return window()->picture(); }

    ConstituentWindow* window() const { return static_cast<ConstituentWindow*>(widget()); }

private:
    QColor m_foreColor;
};

// An image without a picture: a hot zone that only takes the pointer.
class ConstituentImage : public forms::Control {
public:
    ConstituentImage(QWidget* userControl, const QString& name);
};

}  // namespace hosting
