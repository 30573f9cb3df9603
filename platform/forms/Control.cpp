#include "forms/Control.h"

#include "errors/RuntimeError.h"

namespace forms {

Control::Control(QWidget* widget, const QString& name) : m_widget(widget), m_name(name) {
    m_widget->setObjectName(name);
}

Control::~Control() { delete m_widget.data(); }

void Control::setLeft(float twips) {
    m_place.left = twips;
    applyGeometry();
}

void Control::setTop(float twips) {
    m_place.top = twips;
    applyGeometry();
}

void Control::setWidth(float twips) {
    m_place.width = twips;
    applyGeometry();
}

void Control::setHeight(float twips) {
    m_place.height = twips;
    applyGeometry();
}

void Control::Move(float left, float top, float width, float height) {
    m_place = {left, top, width, height};
    applyGeometry();
}

void Control::applyGeometry() { m_widget->setGeometry(m_place.pixels()); }

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
