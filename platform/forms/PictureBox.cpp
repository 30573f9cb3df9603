#include "forms/PictureBox.h"

#include <QFileInfo>
#include <QPixmap>

#include "errors/RuntimeError.h"

namespace forms {

PictureBox::PictureBox(QWidget* form, const QString& name) : Control(new QLabel(form), name) {
    box()->setAutoFillBackground(true);
    box()->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void PictureBox::LoadPicture(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() || info.isDir()) errors::raiseError(errors::FileNotFound);
    QPixmap picture;
    if (!picture.load(path)) errors::raiseError(errors::InvalidPicture);
    box()->setPixmap(picture);
}

bool PictureBox::HasPicture() const { return !box()->pixmap().isNull(); }

QColor PictureBox::BackColor() const { return box()->palette().color(QPalette::Window); }

void PictureBox::setBackColor(const QColor& color) {
    QPalette p = box()->palette();
    p.setColor(QPalette::Window, color);
    box()->setPalette(p);
}

}  // namespace forms
