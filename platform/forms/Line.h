#pragma once

#include <QColor>
#include <QWidget>
#include <memory>

namespace forms {

// A straight line drawn on the form between (X1, Y1) and (X2, Y2), in twips.
// It is decoration only: it takes no input and no focus.
class Line {
public:
    Line(QWidget* form, const QString& name);
    ~Line();

    float X1() const { return m_x1; }
    float Y1() const { return m_y1; }
    float X2() const { return m_x2; }
    float Y2() const { return m_y2; }
    void setEnds(float x1, float y1, float x2, float y2);

    QColor BorderColor() const { return m_color; }
    void setBorderColor(const QColor& color);

    QWidget* widget() const;

private:
    class Canvas;
    void place();

    Canvas* m_canvas;
    float m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0;
    QColor m_color = Qt::black;
};

}  // namespace forms
