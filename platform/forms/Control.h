#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "forms/TwipsPlaced.h"

namespace forms {

// A control drawn by a Qt widget, placed on its form in twips. The flags
// Visible and Enabled read back what was assigned, not whether the widget
// happens to be on screen or enabled through its parent right now.
class Control : public TwipsPlaced {
public:
    Control(QWidget* widget, const QString& name);
    ~Control() override;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const QString& Name() const { return m_name; }
    QWidget* widget() const { return m_widget; }

    bool Visible() const { return m_visible; }
    virtual void setVisible(bool visible);
    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    QString ToolTipText() const;
    void setToolTipText(const QString& text);

    // Gives the control the keyboard focus. A hidden or disabled control
    // cannot take it: that is an invalid call (error 5).
    void SetFocus();

protected:
    void applyGeometry() override;

private:
    QPointer<QWidget> m_widget;
    QString m_name;
    bool m_visible = true;
    bool m_enabled = true;
};

}  // namespace forms
