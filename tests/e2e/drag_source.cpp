// Another program that drags files: a small window that, when the left
// button is pressed in it, starts a drag of the files named on its command
// line, as a file manager does. For tests of what a drop on the player does.
//
//   drag_source FILE...
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QWidget>

namespace {
class Source : public QWidget {
public:
    explicit Source(QList<QUrl> urls) : m_urls(std::move(urls)) {
        setWindowTitle(QStringLiteral("drag source"));
        resize(120, 80);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() != Qt::LeftButton) return;
        auto* drag = new QDrag(this);
        auto* data = new QMimeData;
        data->setUrls(m_urls);
        drag->setMimeData(data);
        drag->exec(Qt::CopyAction);
    }

private:
    QList<QUrl> m_urls;
};
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QList<QUrl> urls;
    for (const QString& path : app.arguments().mid(1)) urls << QUrl::fromLocalFile(path);
    Source source(urls);
    source.move(400, 300);
    source.show();
    return app.exec();
}
