#pragma once

#include <QList>
#include <QWidget>
#include <memory>
#include <optional>

#include "EventAnswers.h"
#include "hosting/ControlSite.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QSpinBox;
class QTableWidget;

// The control test container: creates a control by its programmatic
// identifier, places it at the size the user asks for, lists every event it
// raises, reads and sets its properties by name or dispatch identifier,
// switches the host between run and design mode, turns TabStop on and off,
// and saves and reloads the control's property bag. The stage grows with
// the control, so a control of any size is seen whole.
//
// What the control does and what the host is told is written to standard
// output too, one fact a line, so a script (ScriptRunner) or a person
// watching a terminal can follow it:
//
//   Class {4BC2321F-C8F0-11D3-86B8-52544C9974A0} registry /home/u/lib/libquillet.so
//   Created 工程1.NewHscrollbar Width=2385 Height=240 Mode=run
//   PropertyChanged Value
//   Event 3 Change Value=1
//   Error 6 set Value: 溢出
class ContainerWindow : public QWidget {
public:
    explicit ContainerWindow(const QString& progId, float width, float height);
    ~ContainerWindow() override;

    // One fact, to standard output and the window's list. A line break
    // inside it is written \n (and a backslash \\), so a fact stays one line.
    void writeLine(const QString& line);

    // Creates a brand-new instance of the identifier in the box, or of
    // progId. False, with the reason written, when it cannot be created.
    bool createControl();
    bool createControl(const QString& progId);
    bool hasControl() const { return bool(m_site); }
    // Asks for a size in twips; the control may keep another: read it back.
    void resizeControl(float width, float height);
    float controlWidth() const;
    float controlHeight() const;
    // The host's mode: switching saves the control and loads it again in
    // the other mode, as a designer does when its program starts.
    void setRunMode(bool runMode);
    void setTabStop(bool tabStop);

    // A property by name or dispatch identifier; nothing, with the error
    // written, when the access fails.
    std::optional<com::Variant> property(const QString& nameOrDispId);
    bool setProperty(const QString& nameOrDispId, const com::Variant& value);
    // The control's property bag in a text file (PropertyBagFile.h).
    bool saveProperties(const QString& path);
    bool loadProperties(const QString& path);

    // The control's window and one of its constituents by name; null when
    // there is no control or no such constituent.
    QWidget* controlWindow() const;
    QWidget* constituent(const QString& name) const;
    // How the host answers the control's events.
    EventAnswers& answers() { return m_answers; }

    // An error that escaped one of the control's input handlers, as the
    // last-resort handler passes it on: "Error 6 溢出".
    void reportError(int number, const QString& description);

    // What a user typed, as the value a put carries: a whole number, another
    // number, True or False, or else the text itself.
    static com::Variant valueOf(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Replaces the hosted control by a new one; an empty bag makes a
    // brand-new instance, else it loads from the bag.
    bool host(const hosting::PropertyBag& bag);
    void applySize();
    void switchMode();
    void getRow(int row);
    void setRow(int row);
    void getAllProperties();
    com::DispId dispIdOf(const QString& nameOrNumber) const;
    com::Variant get(const QString& nameOrDispId) const;
    void logEvent(com::DispId id, std::span<com::Variant> args);
    void writeError(const QString& where, int number, const QString& description);
    void showError(const QString& text);
    void showStatus(const QString& text);
    void controlResized();

    QComboBox* m_progId;
    QSpinBox* m_width;
    QSpinBox* m_height;
    QLabel* m_keptSize;
    QCheckBox* m_runMode;
    QCheckBox* m_tabStop;
    QWidget* m_stage;
    QTableWidget* m_properties;
    QListWidget* m_events;
    QLineEdit* m_bagFile;
    QLabel* m_status;

    // Declared before the container's own reference to the instance, so
    // that reference goes first and the site's release can unload the
    // library.
    std::unique_ptr<hosting::ControlSite> m_site;
    com::Ptr<com::IDispatch> m_object;
    QList<hosting::EventDescription> m_eventNames;
    std::optional<com::DispId> m_valueId;
    EventAnswers m_answers;
    qint64 m_eventCount = 0;
};
