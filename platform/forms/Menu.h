#pragma once

#include <QAction>
#include <QMenu>
#include <functional>
#include <memory>

namespace forms {

class MenuItem {
public:
    MenuItem(QMenu* menu, const QString& name, const QString& caption);

    QString Caption() const { return m_action->text(); }
    bool Enabled() const { return m_action->isEnabled(); }
    void setEnabled(bool enabled) { m_action->setEnabled(enabled); }

    std::function<void()> Click;

    QAction* action() const { return m_action; }

private:
    QAction* m_action;
};

// A menu that is never shown in a menu bar, only opened as a popup.
class Menu {
public:
    Menu(const QString& name, const QString& caption);
    ~Menu();

    QString Caption() const { return m_caption; }

    MenuItem& addItem(const QString& name, const QString& caption);

    // Shows the menu at the pointer and returns when it closes; the chosen
    // item's Click runs before that.
    void popup();

    QMenu* menu() const { return m_menu.get(); }

private:
    QString m_caption;
    std::unique_ptr<QMenu> m_menu;
    std::vector<std::unique_ptr<MenuItem>> m_items;
};

}  // namespace forms
