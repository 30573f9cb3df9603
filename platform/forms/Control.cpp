#include "forms/Control.h"

#include "errors/RuntimeError.h"
#include "forms/Form.h"

namespace forms {

Control::Control(QWidget* widget, const QString& name) : m_widget(widget), m_name(name) {
    m_widget->setObjectName(name);
}

Control::~Control() { delete m_widget.data(); }

void Control::applyGeometry() { m_widget->setGeometry(m_place.pixels()); }

void Control::setVisible(bool visible) {
    const bool changed = visible != m_visible;
    m_visible = visible;
    m_widget->setVisible(visible);
    if (changed) notifyChange();
}

void Control::setEnabled(bool enabled) {
    const bool changed = enabled != m_enabled;
    m_enabled = enabled;
    m_widget->setEnabled(enabled);
    if (changed) notifyChange();
}

QString Control::ToolTipText() const { return m_widget->toolTip(); }

void Control::setToolTipText(const QString& text) { m_widget->setToolTip(text); }

bool Control::canBeUsed() const {
    if (!m_visible || !m_enabled) return false;
    const auto* form = dynamic_cast<const Form*>(m_widget->window());
    return !form || form->takesInput();
}

void Control::SetFocus() {
    if (!m_visible || !m_enabled) errors::raiseError(errors::InvalidProcedureCall);
    m_widget->setFocus(Qt::OtherFocusReason);
}

}  // namespace forms
