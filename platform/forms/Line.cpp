#include "forms/Line.h"

#include <QPainter>
#include <algorithm>

#include "forms/Twips.h"

namespace forms {

class Line::Canvas : public QWidget {
public:
    Canvas(QWidget* parent, Line* line) : QWidget(parent), m_line(line) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QPen(m_line->m_color, 1));
        const QPoint origin = pos();
        painter.drawLine(QPoint(twipsToPixels(m_line->m_x1), twipsToPixels(m_line->m_y1)) - origin,
                         QPoint(twipsToPixels(m_line->m_x2), twipsToPixels(m_line->m_y2)) - origin);
    }

private:
    Line* m_line;
};

Line::Line(QWidget* form, const QString& name) : m_canvas(new Canvas(form, this)) {
    m_canvas->setObjectName(name);
}

Line::~Line() { delete m_canvas; }

QWidget* Line::widget() const { return m_canvas; }

void Line::setEnds(float x1, float y1, float x2, float y2) {
    m_x1 = x1;
    m_y1 = y1;
    m_x2 = x2;
    m_y2 = y2;
    place();
}

void Line::setBorderColor(const QColor& color) {
    m_color = color;
    m_canvas->update();
}

void Line::place() {
    const int left = twipsToPixels(std::min(m_x1, m_x2)),
              right = twipsToPixels(std::max(m_x1, m_x2));
    const int top = twipsToPixels(std::min(m_y1, m_y2)),
              bottom = twipsToPixels(std::max(m_y1, m_y2));
    m_canvas->setGeometry(left, top, right - left + 1, bottom - top + 1);
    m_canvas->update();
}

}  // namespace forms
