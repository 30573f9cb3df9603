#pragma once

#include <QIcon>
#include <QList>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <initializer_list>

namespace forms {

class Control;
class Menu;

// A top-level window whose controls are placed in twips. Its Height is the
// outer height, frame and title bar included; its width is fixed.
class Form : public QWidget {
public:
    Form(const QString& name, float clientWidth, float clientHeight);

    QString Caption() const { return windowTitle(); }
    void setCaption(const QString& caption) { setWindowTitle(caption); }

    // Outer height in twips, read back as assigned.
    float Height() const { return m_outerHeight; }
    void setHeight(float twips);
    // Client width in twips; the window cannot be resized.
    float ScaleWidth() const { return m_clientWidth; }

    void setIcon(const QIcon& icon) { setWindowIcon(icon); }

    // Runs Load once, then shows the window.
    void Show();

    // Brings the window back from the task bar and in front of the others,
    // as the desktop asks when it hands the program something. A window
    // that has closed stays closed: the program is ending.
    void bringToFront();
    // True once the window has closed (its unload handler ran and let it).
    bool closed() const { return m_closed; }

    // Opens menu as a popup at the pointer (a modal loop until it closes).
    void PopupMenu(Menu& menu);

    // False while a modal window or an open popup menu keeps the pointer
    // and the keys from this window.
    bool takesInput() const;

    // Chains the keyboard focus through these controls in this order.
    void setTabOrder(std::initializer_list<Control*> order);

    std::function<void()> Load;
    // Files or folders dropped on the window (local ones, in order).
    std::function<void(const QList<QUrl>& dropped)> OLEDragDrop;
    // Cancel: set it to non-zero to keep the window open.
    std::function<void(int& cancel)> Unload;

    // Pixels the frame and title bar add to the height (0 until the window
    // system has framed the window).
    int frameExtra() const { return m_frameExtra; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyHeight();

    float m_clientWidth;
    float m_outerHeight;
    int m_frameExtra = 0;
    bool m_loaded = false;
    bool m_closed = false;
};

}  // namespace forms
