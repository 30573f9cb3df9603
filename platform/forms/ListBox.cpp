#include "forms/ListBox.h"

#include <QMouseEvent>

#include "forms/EventDispatch.h"
#include "forms/RuntimeError.h"
#include "forms/Twips.h"

namespace forms {

namespace {
int shiftState(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

int buttonCode(Qt::MouseButton b) {
    switch (b) {
        case Qt::LeftButton: return button::Left;
        case Qt::RightButton: return button::Right;
        case Qt::MiddleButton: return button::Middle;
        default: return 0;
    }
}
}  // namespace

class ListBox::View : public QListWidget {
public:
    View(QWidget* parent, ListBox* owner) : QListWidget(parent), m_owner(owner) {}

protected:
    void mousePressEvent(QMouseEvent* event) override {
        // Only the left button picks an entry. Qt's views select on any
        // button; a right click must leave the selection alone so that the
        // popup menu acts on the entry selected before.
        if (event->button() == Qt::LeftButton) QListWidget::mousePressEvent(event);
        else event->accept();
        raiseMouseDown(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) QListWidget::mouseReleaseEvent(event);
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) {
            // The second press of a right double-click is one more press.
            raiseMouseDown(event);
            return;
        }
        QListWidget::mouseDoubleClickEvent(event);
        raiseMouseDown(event);
        if (m_owner->DblClick) dispatch(m_owner->DblClick);
    }

    void contextMenuEvent(QContextMenuEvent* event) override { event->accept(); }

private:
    void raiseMouseDown(QMouseEvent* event) {
        if (!m_owner->MouseDown) return;
        const int code = buttonCode(event->button());
        const int shift = shiftState(event->modifiers());
        const float x = pixelsToTwips(event->position().x());
        const float y = pixelsToTwips(event->position().y());
        dispatch([&] { m_owner->MouseDown(code, shift, x, y); });
    }

    ListBox* m_owner;
};

ListBox::ListBox(QWidget* form, const QString& name) : Control(new View(form, this), name) {
    list()->setSelectionMode(QAbstractItemView::SingleSelection);
    list()->setSortingEnabled(false);
    list()->setUniformItemSizes(true);
    list()->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list()->setAutoFillBackground(true);
}

void ListBox::AddItem(const QString& text, int index) {
    const int count = list()->count();
    if (count >= kMaxEntries)
        raiseError(err::OutOfMemory,
                   QStringLiteral("列表已满：最多只能容纳 %1 项，“%2”没有加入。").arg(kMaxEntries).arg(text));
    if (index == -1) {
        list()->addItem(text);
        return;
    }
    if (index < 0 || index > count) raiseError(err::InvalidProcedureCall);
    list()->insertItem(index, text);
}

void ListBox::RemoveItem(int index) {
    if (index < 0 || index >= list()->count()) raiseError(err::InvalidProcedureCall);
    const int selected = ListIndex();
    delete list()->takeItem(index);
    // Qt hands the selection on to a neighbour; a removed selected entry
    // leaves nothing selected.
    if (selected == index) list()->clearSelection();
}

void ListBox::Clear() { list()->clear(); }

int ListBox::ListCount() const { return list()->count(); }

QString ListBox::List(int index) const {
    if (index < 0) raiseError(err::InvalidPropertyArrayIndex);
    if (index >= list()->count()) return {};
    return list()->item(index)->text();
}

int ListBox::ListIndex() const {
    const QList<QListWidgetItem*> chosen = list()->selectedItems();
    return chosen.isEmpty() ? -1 : list()->row(chosen.first());
}

void ListBox::setListIndex(int index) {
    if (index < -1 || index >= list()->count()) raiseError(err::InvalidPropertyValue);
    if (index == -1) {
        list()->clearSelection();
        return;
    }
    list()->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

QString ListBox::Text() const {
    const int index = ListIndex();
    return index < 0 ? QString() : list()->item(index)->text();
}

bool ListBox::Selected(int index) const {
    if (index < 0 || index >= list()->count()) raiseError(err::InvalidPropertyArrayIndex);
    return list()->item(index)->isSelected();
}

void ListBox::setSelected(int index, bool selected) {
    if (index < 0 || index >= list()->count()) raiseError(err::InvalidPropertyArrayIndex);
    if (selected) list()->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    else list()->item(index)->setSelected(false);
}

void ListBox::setBackColor(const QColor& color) {
    QPalette p = list()->palette();
    p.setColor(QPalette::Base, color);
    list()->setPalette(p);
}

void ListBox::setForeColor(const QColor& color) {
    QPalette p = list()->palette();
    p.setColor(QPalette::Text, color);
    list()->setPalette(p);
}

}  // namespace forms
