#include "forms/StripRow.h"

#include <QAbstractEventDispatcher>
#include <QPainter>
#include <cstring>
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
        // is no longer known for sure, so the next step draws it all.
        m_row.m_known = false;
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

const QImage& StripRow::ground(qreal ratio, QSize size) {
    // The form's own background and the ground label, as Qt paints them,
    // made again only when one of them changes.
    const QImage& groundPicture = m_ground.picture();
    const QPalette& palette = m_form->palette();
    if (m_groundImage.size() != size || m_groundImage.devicePixelRatio() != ratio ||
        m_groundKey != groundPicture.cacheKey() || m_paletteKey != palette.cacheKey()) {
        m_groundImage = QImage(size, QImage::Format_RGB32);
        m_groundImage.setDevicePixelRatio(ratio);
        m_groundImage.fill(palette.color(m_form->backgroundRole()));
        if (m_ground.Visible()) {
            const QPoint at = (m_ground.m_place.pixels().topLeft() - m_view->pos()) * ratio;
            copyInto(m_groundImage, groundPicture, at.x(), at.y());
        }
        m_groundKey = groundPicture.cacheKey();
        m_paletteKey = palette.cacheKey();
    }
    return m_groundImage;
}

const QImage& StripRow::composed() {
    const qreal ratio = m_view->devicePixelRatioF();
    const QImage& groundImage = ground(ratio, m_view->size() * ratio);
    // The same buffer each time, unless the row changed size.
    if (m_composed.size() != groundImage.size() || !m_composed.isDetached()) {
        m_composed = QImage(groundImage.size(), QImage::Format_RGB32);
        m_composed.setDevicePixelRatio(ratio);
    }
    std::memcpy(m_composed.bits(), groundImage.constBits(), size_t(m_composed.sizeInBytes()));
    // The strips at their places, the later one in front, as Qt stacks them.
    for (const Label* strip : m_strips) {
        if (!strip->Visible()) continue;
        const QPoint at = (strip->m_place.pixels().topLeft() - m_view->pos()) * ratio;
        copyInto(m_composed, strip->picture(), at.x(), at.y());
    }
    return m_composed;
}

bool StripRow::frameToShow() {
    const qreal ratio = m_view->devicePixelRatioF();
    m_next.at = m_view->mapTo(m_view->window(), QPoint()) * ratio;
    m_next.size = m_view->size() * ratio;
    m_next.pictures.clear();
    m_next.images.clear();
    // Each image keeps its own place on the server: the ground first, then
    // the strips in order, so that one leaving sight sends no other again.
    auto add = [&](int picture, const QImage& image, QPoint at) {
        if (!m_server.hold(picture, image)) return false;
        m_next.pictures.push_back({picture, at});
        m_next.images.push_back(image.cacheKey());
        return true;
    };
    if (!add(0, ground(ratio, m_next.size), QPoint())) return false;
    // The strips at their places, the later one in front, as Qt stacks
    // them; one out of the row's sight is left out.
    const QRect frame(QPoint(), m_next.size);
    for (size_t i = 0; i < m_strips.size(); ++i) {
        const Label& strip = *m_strips[i];
        if (!strip.Visible()) continue;
        const QImage& picture = strip.picture();
        const QPoint at = (strip.m_place.pixels().topLeft() - m_view->pos()) * ratio;
        if (frame.intersects(QRect(at, picture.size())) && !add(int(i) + 1, picture, at))
            return false;
    }
    return true;
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
    m_known = false;
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
    if (!m_server.reaches(window) || !frameToShow()) {
        m_view->update();
        return;
    }
    if (m_known && m_next == m_shown) return;
    if (!m_server.show(window, m_next.at, m_next.size, m_next.pictures)) {
        m_view->update();
        return;
    }
    std::swap(m_shown, m_next);
    m_known = true;
}

}  // namespace forms
