#pragma once

#include <QColor>
#include <QListView>
#include <functional>

#include "forms/Control.h"
#include "forms/InputCodes.h"
#include "forms/TextList.h"

namespace forms {

// An unsorted list of texts with at most one selected entry.
class ListBox : public Control {
public:
    // The most entries a list holds; its counts are 16-bit.
    static constexpr int kMaxEntries = 32767;

    ListBox(QWidget* form, const QString& name);

    // Appends an entry, or inserts it before index. A full list refuses with
    // error 7 and keeps what it has; an index outside 0..ListCount is error 5.
    void AddItem(const QString& text, int index = -1);
    // Appends every text in order, as AddItem would one by one; what does
    // not fit is error 7, and nothing is added.
    void AddItems(TextList texts);
    // Removes entry index; an index outside the list is error 5.
    void RemoveItem(int index);
    void Clear();

    int ListCount() const;
    // Every entry, in order.
    const TextList& texts() const;
    // Told after an entry is added or removed, or the list cleared.
    ChangeNotifier& entryChanges() const { return m_entryChanges; }
    // Entry index; past the end it reads as empty text, below 0 it is
    // error 381.
    QString List(int index) const;
    // The selected entry's index, or -1 when none is selected.
    int ListIndex() const;
    // Selects entry index, or nothing for -1; other numbers are error 380.
    void setListIndex(int index);
    // The selected entry's text, or empty text when none is selected.
    QString Text() const;
    bool Selected(int index) const;
    void setSelected(int index, bool selected);

    void setBackColor(const QColor& color);
    void setForeColor(const QColor& color);

    void setVisible(bool visible) override;

    std::function<void()> DblClick;
    // button, shift, x, y (twips, in the list's own coordinates).
    std::function<void(int, int, float, float)> MouseDown;

    QListView* view() const { return static_cast<QListView*>(widget()); }
    // Where entry index is drawn, in the view's viewport.
    QRect entryRect(int index) const;

private:
    class Entries;
    class View;
    QModelIndex modelIndex(int row) const;

    Entries* m_entries;
    mutable ChangeNotifier m_entryChanges;
};

}  // namespace forms
