#include "forms/Control.h"

#include "errors/RuntimeError.h"

namespace forms {

Control::Control(QWidget* widget, const QString& name) : m_widget(widget), m_name(name) {
    m_widget->setObjectName(name);
}

Control::~Control() { delete m_widget.data(); }

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
