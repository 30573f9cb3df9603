#pragma once

#include <QList>
#include <QWidget>
#include <memory>
#include <utility>

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
// raises (and writes each to standard output, one a line), reads and sets
// its properties by name or dispatch identifier, switches the host between
// run and design mode, turns TabStop on and off, and saves and reloads the
// control's property bag.
class ContainerWindow : public QWidget {
public:
    explicit ContainerWindow(const QString& progId, float width, float height);
    ~ContainerWindow() override;

    // Creates a brand-new instance of the identifier in the box. False, with
    // the reason shown, when it cannot be created.
    bool createControl();
    // An error that escaped one of the control's input handlers: listed and
    // written like an event ("Error 6 溢出"), so a script sees it too.
    void reportError(int number, const QString& description);

private:
    // Replaces the hosted control by a new one; an empty bag makes a
    // brand-new instance, else it loads from the bag.
    bool host(const hosting::PropertyBag& bag);
    void applySize();
    void switchMode(bool runMode);
    void saveBag();
    void loadBag();
    void getProperty(int row);
    void setProperty(int row);
    void getAllProperties();
    com::DispId dispIdOf(const QString& nameOrNumber) const;
    void logEvent(com::DispId id, std::span<com::Variant> args);
    void log(const QString& line);
    void showError(const QString& text);
    void updateSizeLabel();

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

    std::unique_ptr<hosting::ControlSite> m_site;
    QList<hosting::EventDescription> m_eventNames;
    QList<std::pair<com::DispId, QList<com::Variant>>> m_raisedWhileCreating;
};
