#include "forms/StripRow.h"

#include <QAbstractEventDispatcher>
#include <QPainter>
#include <cstring>
#include <tuple>
#include <utility>

#include "forms/Label.h"

namespace forms {

namespace {
// Copies src into dst with its top-left corner at (x, y), both Format_RGB32,
// cut to dst.
void copyInto(QImage& dst, const QImage& src, int x, int y) {
    const QRect to = QRect(x, y, src.width(), src.height()) & dst.rect();
    if (to.isEmpty()) return;
    const qsizetype dstLine = dst.bytesPerLine(), srcLine = src.bytesPerLine();
    uchar* out = dst.bits() + to.top() * dstLine + qsizetype(to.left()) * 4;
    const uchar* in = src.constBits() + (to.top() - y) * srcLine + qsizetype(to.left() - x) * 4;
    for (int row = 0; row < to.height(); ++row, out += dstLine, in += srcLine)
        std::memcpy(out, in, size_t(to.width()) * 4);
}

// The first and last lines in which two images of one size and format
// differ; an empty range when they are alike.
std::pair<int, int> changedLines(const QImage& now, const QImage& before) {
    int first = -1, last = -2;
    for (int y = 0; y < now.height(); ++y)
        if (std::memcmp(now.constScanLine(y), before.constScanLine(y), size_t(now.width()) * 4)) {
            if (first < 0) first = y;
            last = y;
        }
    return {first, last};
}
}  // namespace

class StripRow::View : public QWidget {
public:
    View(QWidget* form, StripRow& row) : QWidget(form), m_row(row) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
    }

    // Watches the window for the server showing a part of it again.
    bool eventFilter(QObject*, QEvent* event) override {
        // Qt answers from its own copy of the window, which holds the row as
        // Qt last painted it, not the steps put since: put it all again
        // once Qt has done.
        if (event->type() == QEvent::Expose) m_row.redrawWhole();
        return false;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        // Whatever Qt shows here is drawn here too; what the window holds
        // is no longer known for sure, so the next step puts its image.
        m_row.m_shown = QImage();
        QPainter(this).drawImage(0, 0, m_row.composed());
    }

private:
    StripRow& m_row;
};

StripRow::StripRow(QWidget* form, Label& ground, std::initializer_list<Label*> strips)
    : m_form(form), m_ground(ground), m_strips(strips), m_view(new View(form, *this)) {
    m_view->setObjectName(QStringLiteral("StripRow"));
    // In front of the strips' own widgets and the ground, behind whatever
    // the form stacks after the last strip.
    const QObjectList& siblings = form->children();
    const int last = m_strips.empty() ? -1 : int(siblings.indexOf(m_strips.back()->widget()));
    for (int i = last + 1; last >= 0 && i < siblings.size(); ++i)
        if (auto* next = qobject_cast<QWidget*>(siblings[i]); next && next != m_view) {
            m_view->stackUnder(next);
            break;
        }
    for (Label* strip : m_strips) strip->m_row = this;
    m_view->setGeometry(area());
    m_view->show();
}

QWidget* StripRow::widget() const { return m_view.data(); }

StripRow::~StripRow() {
    QObject::disconnect(m_beforeSleep);
    for (Label* strip : m_strips) strip->m_row = nullptr;
    delete m_view.data();
}

QRect StripRow::area() const {
    int top = 0, bottom = 0;
    bool any = false;
    for (const Label* strip : m_strips) {
        const QRect place = strip->m_place.pixels();
        top = any ? qMin(top, place.top()) : place.top();
        bottom = any ? qMax(bottom, place.bottom()) : place.bottom();
        any = true;
    }
    return any ? QRect(0, top, m_form->width(), bottom - top + 1) : QRect();
}

const QImage& StripRow::composed() {
    const qreal ratio = m_view->devicePixelRatioF();
    const QRect row = m_view->geometry();
    auto place = [&](QImage& image, const Label& label) {
        if (!label.Visible()) return;
        const QPoint at = (label.m_place.pixels().topLeft() - row.topLeft()) * ratio;
        copyInto(image, label.picture(), at.x(), at.y());
    };
    // The form's own background and the ground label, as Qt paints them,
    // made again only when one of them changes.
    const QImage& groundPicture = m_ground.picture();
    const QPalette& palette = m_form->palette();
    if (m_groundImage.size() != row.size() * ratio || m_groundImage.devicePixelRatio() != ratio ||
        m_groundKey != groundPicture.cacheKey() || m_paletteKey != palette.cacheKey()) {
        m_groundImage = QImage(row.size() * ratio, QImage::Format_RGB32);
        m_groundImage.setDevicePixelRatio(ratio);
        m_groundImage.fill(palette.color(m_form->backgroundRole()));
        place(m_groundImage, m_ground);
        m_groundKey = groundPicture.cacheKey();
        m_paletteKey = palette.cacheKey();
    }
    // The same buffer each time, unless the row changed size.
    if (m_next.size() != m_groundImage.size() || !m_next.isDetached()) {
        m_next = QImage(m_groundImage.size(), QImage::Format_RGB32);
        m_next.setDevicePixelRatio(ratio);
    }
    std::memcpy(m_next.bits(), m_groundImage.constBits(), size_t(m_next.sizeInBytes()));
    // The strips at their places, the later one in front, as Qt stacks them.
    for (const Label* strip : m_strips) place(m_next, *strip);
    return m_next;
}

void StripRow::placeChanged() {
    if (!m_view) return;
    if (m_view->geometry() != area()) {
        m_view->setGeometry(area());
        return;  // moved through Qt, which repaints it
    }
    QWindow* window = m_form->window()->windowHandle();
    if (!m_server.reaches(window)) {
        m_view->update();
        return;
    }
    if (m_watched != window) {
        m_watched = window;
        window->installEventFilter(m_view);
    }
    drawBeforeSleep();
}

void StripRow::redrawWhole() {
    m_shown = QImage();
    if (m_view && !m_pending) schedule();
}

void StripRow::drawBeforeSleep() {
    // Once per turn of the event loop, however many strips moved in it. A
    // loop kept busy (by a long run of queued work) may not sleep for a
    // while: a step left waiting that long is drawn at the next move.
    if (!m_pending)
        schedule();
    else if (m_waiting.hasExpired(kLongestWaitMs))
        drawNow();
}

void StripRow::schedule() {
    m_pending = true;
    m_waiting.start();
    if (!m_beforeSleep)
        m_beforeSleep = QObject::connect(QAbstractEventDispatcher::instance(),
                                         &QAbstractEventDispatcher::aboutToBlock, m_view,
                                         [this] { drawNow(); });
}

void StripRow::drawNow() {
    if (!m_pending) return;
    m_pending = false;
    QWindow* window = m_form->window()->windowHandle();
    if (!m_view->isVisible() || !window || !window->isExposed()) return;  // painted when shown
    composed();
    // Only the lines that look different go to the server.
    auto [first, last] = std::pair(0, m_next.height() - 1);
    if (m_shown.size() == m_next.size()) {
        std::tie(first, last) = changedLines(m_next, m_shown);
        if (first < 0) return;
    }
    // Whole lines, which lie one after another in the image.
    const QImage lines(m_next.constScanLine(first), m_next.width(), last - first + 1,
                       m_next.bytesPerLine(), QImage::Format_RGB32);
    const QPoint at =
        m_view->mapTo(m_view->window(), QPoint()) * m_next.devicePixelRatio() + QPoint(0, first);
    if (!m_server.put(window, lines, at.x(), at.y())) {
        m_view->update();
        return;
    }
    std::swap(m_shown, m_next);
}

}  // namespace forms
