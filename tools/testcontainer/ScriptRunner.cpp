#include "ScriptRunner.h"

#include <QTimer>
#include <QWidget>
#include <limits>

#include "ContainerWindow.h"
#include "RealInput.h"
#include "ScriptSource.h"
#include "forms/Twips.h"

namespace {
// Lines read ahead of the one running; reading pauses beyond that.
constexpr qsizetype kReadAhead = 1000;
// How long input may take to come back through the X server, and the
// longest wait a script may ask for, in milliseconds.
constexpr int kDeliveryLimitMs = 10000;
constexpr int kLongestWaitMs = 600000;

std::optional<float> twipsOf(const ScriptToken& t) {
    bool ok = false;
    const float v = t.text.toFloat(&ok);
    if (!ok || t.quoted) return std::nullopt;
    return v;
}

// X's button numbers.
int buttonOf(const QString& word) {
    if (word.compare(u"left", Qt::CaseInsensitive) == 0) return 1;
    if (word.compare(u"middle", Qt::CaseInsensitive) == 0) return 2;
    if (word.compare(u"right", Qt::CaseInsensitive) == 0) return 3;
    return 0;
}

QString joined(const QList<ScriptToken>& t, qsizetype from) {
    QStringList words;
    for (qsizetype i = from; i < t.size(); ++i) words << t[i].text;
    return words.join(u' ');
}
}  // namespace

ScriptRunner::ScriptRunner(ContainerWindow& window, std::unique_ptr<ScriptSource> source, bool echo)
    : m_window(window), m_source(std::move(source)), m_echo(echo) {
    m_source->onLine = [this](const QString& text, bool valid) { lineRead(text, valid); };
    m_source->onEnd = [this] { sourceEnded(); };
}

ScriptRunner::~ScriptRunner() = default;

void ScriptRunner::lineRead(const QString& text, bool valid) {
    m_lines.enqueue({++m_lineCount, text, valid});
    if (m_lines.size() > kReadAhead) m_source->setPaused(true);
    scheduleNext();
}

void ScriptRunner::sourceEnded() {
    m_sourceEnded = true;
    scheduleNext();
}

void ScriptRunner::scheduleNext() {
    if (m_busy || m_scheduled || m_finished) return;
    // Each command starts from the event loop, never inside the reader's
    // notification or another command's completion.
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        runNext();
    });
}

void ScriptRunner::runNext() {
    if (m_busy || m_finished) return;
    if (m_lines.isEmpty()) {
        if (m_sourceEnded) finish();
        return;
    }
    const Line line = m_lines.dequeue();
    if (m_lines.size() < kReadAhead / 2) m_source->setPaused(false);
    m_current = line.number;
    if (!line.valid) {
        refuse(QStringLiteral("not UTF-8 text"));
        return scheduleNext();
    }
    QString error;
    const Tokens tokens = tokenizeScriptLine(line.text, &error);
    if (!error.isEmpty()) {
        refuse(error);
        return scheduleNext();
    }
    if (tokens.isEmpty()) return scheduleNext();
    if (m_echo) m_window.writeLine(QStringLiteral("> ") + line.text.trimmed());
    m_busy = true;
    if (run(tokens)) resume();
}

void ScriptRunner::resume() {
    m_busy = false;
    scheduleNext();
}

void ScriptRunner::refuse(const QString& why) {
    m_refused = true;
    m_window.writeLine(QStringLiteral("ScriptError %1: %2").arg(m_current).arg(why));
}

void ScriptRunner::finish() {
    if (m_finished) return;
    m_finished = true;
    // Nothing stays pressed once the script is over.
    if (m_input) m_input->releaseAll();
    if (finished) finished(m_refused ? 1 : 0);
}

bool ScriptRunner::run(const Tokens& t) {
    const QString verb = t[0].text.toLower();
    if (verb == u"create") {
        create(t);
    } else if (verb == u"size") {
        size(t);
    } else if (verb == u"mode") {
        mode(t);
    } else if (verb == u"tabstop") {
        tabStop(t);
    } else if (verb == u"set") {
        set(t);
    } else if (verb == u"get") {
        get(t);
    } else if (verb == u"save") {
        save(t);
    } else if (verb == u"load") {
        load(t);
    } else if (verb == u"on") {
        on(t);
    } else if (verb == u"wait") {
        return wait(t);
    } else if (verb == u"click" || verb == u"dblclick" || verb == u"press" || verb == u"release" ||
               verb == u"move") {
        return pointer(t);
    } else if (verb == u"key" || verb == u"keydown" || verb == u"keyup") {
        return keys(t);
    } else if (verb == u"echo") {
        m_window.writeLine(QStringLiteral("Echo ") + joined(t, 1));
    } else if (verb == u"quit") {
        finish();
        return false;
    } else {
        refuse(QStringLiteral("unknown command %1").arg(t[0].text));
    }
    return true;
}

bool ScriptRunner::needControl() {
    if (m_window.hasControl()) return true;
    refuse(QStringLiteral("no control: create one first"));
    return false;
}

void ScriptRunner::create(const Tokens& t) {
    if (t.size() != 2) return refuse(QStringLiteral("usage: create PROGID|{CLSID}"));
    m_window.createControl(t[1].text);
}

void ScriptRunner::size(const Tokens& t) {
    const auto w = t.size() == 3 ? twipsOf(t[1]) : std::nullopt;
    const auto h = t.size() == 3 ? twipsOf(t[2]) : std::nullopt;
    if (!w || !h || *w < 0 || *h < 0)
        return refuse(QStringLiteral("usage: size WIDTH HEIGHT (twips)"));
    m_window.resizeControl(*w, *h);
    if (m_window.hasControl())
        m_window.writeLine(QStringLiteral("Size Width=%1 Height=%2")
                               .arg(double(m_window.controlWidth()))
                               .arg(double(m_window.controlHeight())));
}

void ScriptRunner::mode(const Tokens& t) {
    const QString word = t.size() == 2 ? t[1].text.toLower() : QString();
    if (word != u"run" && word != u"design")
        return refuse(QStringLiteral("usage: mode run|design"));
    m_window.setRunMode(word == u"run");
    m_window.writeLine(QStringLiteral("Mode ") + word);
}

void ScriptRunner::tabStop(const Tokens& t) {
    const QString word = t.size() == 2 ? t[1].text.toLower() : QString();
    if (word != u"on" && word != u"off") return refuse(QStringLiteral("usage: tabstop on|off"));
    m_window.setTabStop(word == u"on");
    m_window.writeLine(QStringLiteral("TabStop ") + word);
}

void ScriptRunner::set(const Tokens& t) {
    if (t.size() != 3) return refuse(QStringLiteral("usage: set NAME|DISPID VALUE"));
    if (!needControl()) return;
    m_window.setProperty(
        t[1].text, t[2].quoted ? com::Variant(t[2].text) : ContainerWindow::valueOf(t[2].text));
}

void ScriptRunner::get(const Tokens& t) {
    if (t.size() != 2) return refuse(QStringLiteral("usage: get NAME|DISPID"));
    if (!needControl()) return;
    if (const std::optional<com::Variant> value = m_window.property(t[1].text))
        m_window.writeLine(QStringLiteral("Get %1=%2").arg(t[1].text, value->toString()));
}

void ScriptRunner::save(const Tokens& t) {
    if (t.size() != 2) return refuse(QStringLiteral("usage: save FILE"));
    if (!needControl()) return;
    if (m_window.saveProperties(t[1].text))
        m_window.writeLine(QStringLiteral("Saved ") + t[1].text);
}

void ScriptRunner::load(const Tokens& t) {
    if (t.size() != 2) return refuse(QStringLiteral("usage: load FILE"));
    if (m_window.loadProperties(t[1].text))
        m_window.writeLine(QStringLiteral("Loaded ") + t[1].text);
}

void ScriptRunner::on(const Tokens& t) {
    if (t.size() == 3 && t[2].text.compare(u"clear", Qt::CaseInsensitive) == 0)
        return m_window.answers().clear(t[1].text);
    bool ok = false;
    const int value = t.size() == 5 ? t[4].text.toInt(&ok) : 0;
    if (t.size() != 5 || t[2].text.compare(u"set", Qt::CaseInsensitive) != 0 || !ok)
        return refuse(QStringLiteral("usage: on EVENT set PARAMETER NUMBER, or on EVENT clear"));
    if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
        return refuse(QStringLiteral("%1 does not fit a 16-bit parameter").arg(t[4].text));
    m_window.answers().add(t[1].text, t[3].text, int16_t(value));
}

bool ScriptRunner::wait(const Tokens& t) {
    bool ok = false;
    const int ms = t.size() == 2 ? t[1].text.toInt(&ok) : -1;
    if (!ok || ms < 0 || ms > kLongestWaitMs) {
        refuse(QStringLiteral("usage: wait MILLISECONDS (0 to %1)").arg(kLongestWaitMs));
        return true;
    }
    QTimer::singleShot(ms, this, [this] { resume(); });
    return false;
}

bool ScriptRunner::needInput() {
    if (!m_input && m_inputMissing.isEmpty()) m_input = RealInput::open(&m_window, &m_inputMissing);
    if (m_input) return true;
    refuse(m_inputMissing);
    return false;
}

std::optional<QPoint> ScriptRunner::target(const Tokens& t, qsizetype first, qsizetype* next) {
    const auto place = [](QWidget* w, QPointF pixels) { return w->mapToGlobal(pixels).toPoint(); };
    const auto pixels = [](float x, float y) {
        return QPointF(x / forms::kTwipsPerPixel, y / forms::kTwipsPerPixel);
    };
    if (first >= t.size()) {
        refuse(QStringLiteral("%1 needs a place: a constituent's name, or X Y in twips")
                   .arg(t[0].text));
        return std::nullopt;
    }
    const auto x = twipsOf(t[first]);
    const auto y = first + 1 < t.size() ? twipsOf(t[first + 1]) : std::nullopt;
    if (x) {
        if (!y) {
            refuse(QStringLiteral("a point needs X and Y in twips"));
            return std::nullopt;
        }
        *next = first + 2;
        return place(m_window.controlWindow(), pixels(*x, *y));
    }
    QWidget* part = m_window.constituent(t[first].text);
    if (!part) {
        refuse(QStringLiteral("the control has no constituent named %1").arg(t[first].text));
        return std::nullopt;
    }
    const auto inX = first + 1 < t.size() ? twipsOf(t[first + 1]) : std::nullopt;
    const auto inY = first + 2 < t.size() ? twipsOf(t[first + 2]) : std::nullopt;
    if (inX && inY) {
        *next = first + 3;
        return place(part, pixels(*inX, *inY));
    }
    *next = first + 1;
    return place(part, QPointF(part->width() / 2.0, part->height() / 2.0));
}

bool ScriptRunner::pointer(const Tokens& t) {
    const QString verb = t[0].text.toLower();
    if (!needControl() || !needInput()) return true;
    qsizetype next = 1;
    std::optional<QPoint> at;
    // A release happens where the pointer is, unless it names a place.
    const bool placed = verb != u"release" || (t.size() > 1 && !buttonOf(t[1].text));
    if (placed && !(at = target(t, 1, &next))) return true;
    int button = 1;
    if (next < t.size()) {
        button = buttonOf(t[next].text);
        if (!button || next + 1 < t.size()) {
            refuse(
                QStringLiteral("after the place only a button may follow: left, middle or right"));
            return true;
        }
    }
    if (at) m_input->moveTo(*at);
    if (verb == u"press" || verb == u"click" || verb == u"dblclick") m_input->button(button, true);
    if (verb == u"release" || verb == u"click" || verb == u"dblclick")
        m_input->button(button, false);
    if (verb == u"dblclick") {
        m_input->button(button, true);
        m_input->button(button, false);
    }
    return deliverInput();
}

bool ScriptRunner::keys(const Tokens& t) {
    const QString verb = t[0].text.toLower();
    if (t.size() != 2) {
        refuse(QStringLiteral("usage: %1 KEY, or KEY+KEY... (X key names: Next, Prior, Home, "
                              "Up, a, Shift_L...)")
                   .arg(verb));
        return true;
    }
    if (!needControl() || !needInput()) return true;
    const QStringList names = t[1].text.split(u'+', Qt::SkipEmptyParts);
    QString error;
    for (const QString& name : names) {
        if (!m_input->canType(name, &error)) {
            refuse(error);
            return true;
        }
    }
    // Held in the order written, let go of in the reverse order.
    if (verb != u"keyup")
        for (const QString& name : names) m_input->key(name, true, &error);
    if (verb != u"keydown")
        for (qsizetype i = names.size() - 1; i >= 0; --i) m_input->key(names[i], false, &error);
    return deliverInput();
}

bool ScriptRunner::deliverInput() {
    m_input->afterDelivery(kDeliveryLimitMs, [this](bool delivered) {
        if (!delivered)
            refuse(QStringLiteral("the X server did not hand the input back within %1 s")
                       .arg(kDeliveryLimitMs / 1000));
        resume();
    });
    return false;
}
