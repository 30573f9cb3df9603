#include "forms/CommandButton.h"

#include "errors/EventDispatch.h"

namespace forms {

CommandButton::CommandButton(QWidget* form, const QString& name)
    : Control(new QPushButton(form), name) {
    button()->setAutoDefault(false);
    QObject::connect(button(), &QPushButton::clicked, button(), [this] {
        if (Click) errors::dispatch(Click);
    });
}

QString CommandButton::Caption() const { return button()->text(); }

void CommandButton::setCaption(const QString& caption) {
    if (caption == button()->text()) return;
    button()->setText(caption);
    notifyChange();
}

bool CommandButton::press() {
    if (!canBeUsed()) return false;
    if (Click) errors::dispatch(Click);
    return true;
}

}  // namespace forms
