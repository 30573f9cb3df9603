#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "forms/ChangeNotifier.h"
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

    // Told when Visible or Enabled, or a property the kind of control adds
    // to them (a caption, a value), takes a different value. Places and
    // sizes are not told: they move too often to be worth watching.
    ChangeNotifier& changes() const { return m_changes; }

    // True when a person at the window could use the control now: it is
    // shown and enabled, and its window takes input (no modal window or
    // open popup menu in the way).
    bool canBeUsed() const;

    // Gives the control the keyboard focus. A hidden or disabled control
    // cannot take it: that is an invalid call (error 5).
    void SetFocus();

protected:
    void applyGeometry() override;
    void notifyChange() { m_changes.notify(); }

private:
    QPointer<QWidget> m_widget;
    QString m_name;
    bool m_visible = true;
    bool m_enabled = true;
    mutable ChangeNotifier m_changes;
};

}  // namespace forms
