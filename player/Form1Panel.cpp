// The playlist panel: the arrow buttons that grow and shrink the window to
// show or cut off the list, and the popup menu that edits it.
#include "Form1.h"
#include "HandedFiles.h"
#include "forms/MessageBox.h"

void Form1::List1_MouseDown(int Button, int Shift, float X, float Y) {
    Q_UNUSED(Shift);
    Q_UNUSED(X);
    Q_UNUSED(Y);
    // The list box leaves the selection alone on a right click, so the
    // menu's commands act on the entry selected before.
    if (Button == forms::button::Right) PopupMenu(caidna);
}

void Form1::add_Click() {
    cdlg.setFileName(QString());
    cdlg.ShowOpen();
    if (!cdlg.FileName().isEmpty()) List1.AddItem(cdlg.FileName());
}

void Form1::del_Click() {
    if (List1.ListCount() == 0) {
        forms::MsgBox(QStringLiteral("没有目录可以删除！"), forms::MsgBoxStyle::OkOnly,
                      QStringLiteral("ravelle"));
        return;
    }
    const int n = List1.ListCount();
    for (int i = 0; i < n; ++i) {
        if (List1.Selected(i)) {
            List1.RemoveItem(i);
            return;
        }
    }
}

void Form1::delt_Click() {
    // With nothing selected the kept text would be empty: replacing the
    // whole playlist by one empty entry is a mis-click that loses every
    // entry, so the list stays as it is.
    if (List1.ListIndex() < 0) return;
    const QString kept = List1.Text();
    List1.Clear();
    List1.AddItem(kept);
}

void Form1::Command7_Click() {
    Command7.setEnabled(false);
    Command7.setVisible(false);
    Command8.setEnabled(true);
    Command8.setVisible(true);
    Command8.SetFocus();
    setHeight(kPanelOpenHeight);
    List1.setVisible(true);
}

void Form1::Command8_Click() {
    Command8.setEnabled(false);
    Command8.setVisible(false);
    Command7.setEnabled(true);
    Command7.setVisible(true);
    Command7.SetFocus();
    setHeight(kPanelClosedHeight);
    List1.setVisible(false);
}

// Files dropped on the window are added as 添加 adds them, the audio files
// of a dropped folder with them; the list need not be open.
void Form1::Form_OLEDragDrop(const QList<QUrl>& dropped) {
    handed::collectDropped(dropped, this,
                           [this](const QStringList& files) { handed::append(*this, files); });
}
