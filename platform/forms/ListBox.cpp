#include "forms/ListBox.h"

#include <QAbstractListModel>
#include <QMouseEvent>

#include "errors/EventDispatch.h"
#include "errors/RuntimeError.h"
#include "forms/Twips.h"

namespace forms {

// The entries as one list of texts. A playlist can hold 32,767 of them, so
// they are kept in one buffer rather than one item object each, and
// entries appended while the list is hidden reach the view in one batch
// when it next needs them (start-up restores the whole playlist that way).
class ListBox::Entries : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : m_announced;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::AccessibleTextRole))
            return {};
        return m_texts.at(index.row());
    }

    const TextList& texts() const { return m_texts; }
    void append(TextList more, bool hold) {
        if (m_texts.empty())
            m_texts = std::move(more);
        else
            for (int i = 0; i < more.size(); ++i) m_texts.append(more.utf8(i));
        if (!hold) release();
    }
    void insert(int row, const QString& text) {
        release();
        beginInsertRows({}, row, row);
        m_texts.insert(row, text);
        ++m_announced;
        endInsertRows();
    }
    void remove(int row) {
        release();
        beginRemoveRows({}, row, row);
        m_texts.remove(row);
        --m_announced;
        endRemoveRows();
    }
    void clear() {
        beginResetModel();
        m_texts.clear();
        m_announced = 0;
        endResetModel();
    }
    // Hands the held entries to the view.
    void release() {
        if (m_announced == m_texts.size()) return;
        beginInsertRows({}, m_announced, m_texts.size() - 1);
        m_announced = m_texts.size();
        endInsertRows();
    }

private:
    TextList m_texts;
    int m_announced = 0;  // what the view knows; the rest is held
};

class ListBox::View : public QListView {
public:
    View(QWidget* parent, ListBox* owner) : QListView(parent), m_owner(owner) {}

protected:
    void mousePressEvent(QMouseEvent* event) override {
        // Only the left button picks an entry. Qt's views select on any
        // button; a right click must leave the selection alone so that the
        // popup menu acts on the entry selected before.
        if (event->button() == Qt::LeftButton)
            QListView::mousePressEvent(event);
        else
            event->accept();
        raiseMouseDown(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) QListView::mouseReleaseEvent(event);
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) {
            // The second press of a right double-click is one more press.
            raiseMouseDown(event);
            return;
        }
        QListView::mouseDoubleClickEvent(event);
        raiseMouseDown(event);
        if (m_owner->DblClick) errors::dispatch(m_owner->DblClick);
    }

    void contextMenuEvent(QContextMenuEvent* event) override { event->accept(); }

private:
    void raiseMouseDown(QMouseEvent* event) {
        if (!m_owner->MouseDown) return;
        const int code = buttonCode(event->button());
        const int shift = shiftCode(event->modifiers());
        const float x = pixelsToTwips(event->position().x());
        const float y = pixelsToTwips(event->position().y());
        errors::dispatch([&] { m_owner->MouseDown(code, shift, x, y); });
    }

    ListBox* m_owner;
};

ListBox::ListBox(QWidget* form, const QString& name) : Control(new View(form, this), name) {
    m_entries = new Entries(view());
    view()->setModel(m_entries);
    view()->setSelectionMode(QAbstractItemView::SingleSelection);
    view()->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view()->setUniformItemSizes(true);
    view()->setLayoutMode(QListView::Batched);
    view()->setAutoFillBackground(true);
}

QModelIndex ListBox::modelIndex(int row) const {
    m_entries->release();
    return m_entries->index(row, 0);
}

void ListBox::setVisible(bool visible) {
    if (visible) m_entries->release();
    Control::setVisible(visible);
}

QRect ListBox::entryRect(int index) const { return view()->visualRect(modelIndex(index)); }

void ListBox::AddItem(const QString& text, int index) {
    const int count = ListCount();
    if (count >= kMaxEntries)
        errors::raiseError(errors::OutOfMemory,
                           QStringLiteral("列表已满：最多只能容纳 %1 项，“%2”没有加入。")
                               .arg(kMaxEntries)
                               .arg(text));
    if (index == -1) {
        TextList one;
        one.append(text);
        m_entries->append(std::move(one), !Visible());
        m_entryChanges.notify();
        return;
    }
    if (index < 0 || index > count) errors::raiseError(errors::InvalidProcedureCall);
    m_entries->insert(index, text);
    m_entryChanges.notify();
}

void ListBox::AddItems(TextList texts) {
    if (texts.empty()) return;
    if (ListCount() + texts.size() > kMaxEntries)
        errors::raiseError(errors::OutOfMemory,
                           QStringLiteral("列表已满：最多只能容纳 %1 项。").arg(kMaxEntries));
    m_entries->append(std::move(texts), !Visible());
    m_entryChanges.notify();
}

void ListBox::RemoveItem(int index) {
    if (index < 0 || index >= ListCount()) errors::raiseError(errors::InvalidProcedureCall);
    m_entries->release();
    const int selected = ListIndex();
    m_entries->remove(index);
    // Qt may hand the selection on to a neighbour; a removed selected entry
    // leaves nothing selected.
    if (selected == index) view()->selectionModel()->clearSelection();
    m_entryChanges.notify();
}

void ListBox::Clear() {
    m_entries->clear();
    m_entryChanges.notify();
}

int ListBox::ListCount() const { return m_entries->texts().size(); }

const TextList& ListBox::texts() const { return m_entries->texts(); }

QString ListBox::List(int index) const {
    if (index < 0) errors::raiseError(errors::InvalidPropertyArrayIndex);
    if (index >= ListCount()) return {};
    return m_entries->texts().at(index);
}

int ListBox::ListIndex() const {
    const QModelIndexList chosen = view()->selectionModel()->selectedIndexes();
    return chosen.isEmpty() ? -1 : chosen.first().row();
}

void ListBox::setListIndex(int index) {
    if (index < -1 || index >= ListCount()) errors::raiseError(errors::InvalidPropertyValue);
    if (index == -1) {
        view()->selectionModel()->clearSelection();
        return;
    }
    view()->selectionModel()->setCurrentIndex(modelIndex(index),
                                              QItemSelectionModel::ClearAndSelect);
}

QString ListBox::Text() const {
    const int index = ListIndex();
    return index < 0 ? QString() : m_entries->texts().at(index);
}

bool ListBox::Selected(int index) const {
    if (index < 0 || index >= ListCount()) errors::raiseError(errors::InvalidPropertyArrayIndex);
    return view()->selectionModel()->isSelected(modelIndex(index));
}

void ListBox::setSelected(int index, bool selected) {
    if (index < 0 || index >= ListCount()) errors::raiseError(errors::InvalidPropertyArrayIndex);
    if (selected)
        view()->selectionModel()->setCurrentIndex(modelIndex(index),
                                                  QItemSelectionModel::ClearAndSelect);
    else
        view()->selectionModel()->select(modelIndex(index), QItemSelectionModel::Deselect);
}

void ListBox::setBackColor(const QColor& color) {
    QPalette p = view()->palette();
    p.setColor(QPalette::Base, color);
    view()->setPalette(p);
}

void ListBox::setForeColor(const QColor& color) {
    QPalette p = view()->palette();
    p.setColor(QPalette::Text, color);
    view()->setPalette(p);
}

}  // namespace forms
