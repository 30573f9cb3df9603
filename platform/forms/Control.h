#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "forms/Twips.h"

namespace forms {

// A control drawn by a Qt widget, placed on its form in twips. The flags
// Visible and Enabled read back what was assigned, not whether the widget
// happens to be on screen or enabled through its parent right now.
class Control {
public:
    Control(QWidget* widget, const QString& name);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const QString& Name() const { return m_name; }
    QWidget* widget() const { return m_widget; }

    float Left() const { return m_place.left; }
    float Top() const { return m_place.top; }
    float Width() const { return m_place.width; }
    float Height() const { return m_place.height; }
    void setLeft(float twips);
    void setTop(float twips);
    void setWidth(float twips);
    void setHeight(float twips);
    void Move(float left, float top, float width, float height);

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
    virtual void applyGeometry();

private:
    QPointer<QWidget> m_widget;
    QString m_name;
    TwipsRect m_place;
    bool m_visible = true;
    bool m_enabled = true;
};

}  // namespace forms
