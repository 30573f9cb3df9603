#pragma once

#include <QPushButton>
#include <functional>

#include "forms/Control.h"

namespace forms {

class CommandButton : public Control {
public:
    CommandButton(QWidget* form, const QString& name);

    QString Caption() const;
    void setCaption(const QString& caption);

    // Raised when the user presses and releases the button (or presses
    // Space or Enter while it has the focus).
    std::function<void()> Click;

    // Presses the button for someone who is not at the window (a media key,
    // the desktop's player controls): when a person at the window could
    // press it now (canBeUsed), Click runs through the event dispatch as a
    // click's does, so its failures meet the same last resort. Returns
    // whether it was pressed.
    bool press();

    QPushButton* button() const { return static_cast<QPushButton*>(widget()); }
};

}  // namespace forms
