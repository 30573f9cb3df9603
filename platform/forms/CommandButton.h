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

    QPushButton* button() const { return static_cast<QPushButton*>(widget()); }
};

}  // namespace forms
