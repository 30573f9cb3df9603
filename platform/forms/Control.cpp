#include "forms/Control.h"

#include "errors/RuntimeError.h"
#include "forms/Twips.h"

namespace forms {

Control::Control(QWidget* widget, const QString& name) : m_widget(widget), m_name(name) {
    m_widget->setObjectName(name);
}

Control::~Control() { delete m_widget.data(); }

void Control::setLeft(float twips) {
    m_left = twips;
    applyGeometry();
}

void Control::setTop(float twips) {
    m_top = twips;
    applyGeometry();
}

void Control::setWidth(float twips) {
    m_width = twips;
    applyGeometry();
}

void Control::setHeight(float twips) {
    m_height = twips;
    applyGeometry();
}

void Control::Move(float left, float top, float width, float height) {
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    applyGeometry();
}

void Control::applyGeometry() {
    // Round the edges, not the size, so neighbours that touch in twips touch
    // on screen too.
    const int x = twipsToPixels(m_left), y = twipsToPixels(m_top);
    m_widget->setGeometry(x, y, twipsToPixels(m_left + m_width) - x,
                          twipsToPixels(m_top + m_height) - y);
}

void Control::setVisible(bool visible) {
    m_visible = visible;
    m_widget->setVisible(visible);
}

void Control::setEnabled(bool enabled) {
    m_enabled = enabled;
    m_widget->setEnabled(enabled);
}

QString Control::ToolTipText() const { return m_widget->toolTip(); }

void Control::setToolTipText(const QString& text) { m_widget->setToolTip(text); }

void Control::SetFocus() {
    if (!m_visible || !m_enabled) errors::raiseError(errors::InvalidProcedureCall);
    m_widget->setFocus(Qt::OtherFocusReason);
}

}  // namespace forms
