#include "forms/Menu.h"

#include <QCursor>

#include "errors/EventDispatch.h"

namespace forms {

MenuItem::MenuItem(QMenu* menu, const QString& name, const QString& caption)
    : m_action(menu->addAction(caption)) {
    m_action->setObjectName(name);
    QObject::connect(m_action, &QAction::triggered, m_action, [this] {
        if (Click) errors::dispatch(Click);
    });
}

Menu::Menu(const QString& name, const QString& caption)
    : m_caption(caption), m_menu(std::make_unique<QMenu>()) {
    m_menu->setObjectName(name);
    m_menu->setTitle(caption);
}

Menu::~Menu() = default;

MenuItem& Menu::addItem(const QString& name, const QString& caption) {
    m_items.push_back(std::make_unique<MenuItem>(m_menu.get(), name, caption));
    return *m_items.back();
}

void Menu::popup() { m_menu->exec(QCursor::pos()); }

}  // namespace forms
