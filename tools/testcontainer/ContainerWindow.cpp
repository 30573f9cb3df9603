#include "ContainerWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cstdio>

#include "EventLine.h"
#include "PropertyBagFile.h"
#include "com/CreateObject.h"
#include "errors/RuntimeError.h"
#include "forms/Twips.h"

namespace {
// Where the control sits on the stage, in twips, and the stage's margin
// around it on the other sides.
constexpr float kControlLeft = 240, kControlTop = 240;
constexpr int kStageMargin = 16;
// The event list keeps the latest lines only: a long drag raises thousands.
constexpr int kMaxListedEvents = 2000;
// Sizes the boxes accept, in twips.
constexpr int kMaxTwips = 200000;
// The runtime's "path/file access error", for a property file that cannot
// be written or read.
constexpr int kFileAccessError = 75;

// The properties most controls have; the user may type any other name, or a
// dispatch identifier, into the table.
const char* const kPropertyNames[] = {"Value",       "Min",         "Max",
                                      "SmallChange", "LargeChange", "Enabled"};

QString errorText(const errors::RuntimeError& e) {
    return QStringLiteral("错误 %1: %2").arg(e.number()).arg(e.description());
}

QString twipsText(float twips) { return QString::number(double(twips)); }
}  // namespace

ContainerWindow::ContainerWindow(const QString& progId, float width, float height) {
    setWindowTitle(QStringLiteral("控件测试容器"));

    m_progId = new QComboBox;
    m_progId->setEditable(true);
    m_progId->addItem(progId);
    m_progId->setMinimumContentsLength(22);
    auto* create = new QPushButton(QStringLiteral("创建"));
    m_width = new QSpinBox;
    m_height = new QSpinBox;
    for (QSpinBox* box : {m_width, m_height}) {
        box->setRange(0, kMaxTwips);
        box->setSingleStep(15);
        box->setSuffix(QStringLiteral(" twip"));
    }
    m_width->setValue(int(width));
    m_height->setValue(int(height));
    m_keptSize = new QLabel;
    m_runMode = new QCheckBox(QStringLiteral("运行模式"));
    m_runMode->setChecked(true);
    m_tabStop = new QCheckBox(QStringLiteral("TabStop"));
    m_tabStop->setChecked(true);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("ProgID")));
    top->addWidget(m_progId, 1);
    top->addWidget(create);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(new QLabel(QStringLiteral("宽")));
    sizeRow->addWidget(m_width);
    sizeRow->addWidget(new QLabel(QStringLiteral("高")));
    sizeRow->addWidget(m_height);
    sizeRow->addWidget(m_keptSize, 1);
    sizeRow->addWidget(m_runMode);
    sizeRow->addWidget(m_tabStop);

    m_stage = new QWidget;
    m_stage->setAutoFillBackground(true);
    QPalette stagePalette = m_stage->palette();
    stagePalette.setColor(QPalette::Window, QColor(236, 233, 216));
    m_stage->setPalette(stagePalette);
    m_stage->setMinimumHeight(60);

    m_properties = new QTableWidget(0, 2);
    m_properties->setHorizontalHeaderLabels({QStringLiteral("属性"), QStringLiteral("值")});
    m_properties->horizontalHeader()->setStretchLastSection(true);
    m_properties->verticalHeader()->hide();
    m_properties->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    m_properties->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_properties->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const char* name : kPropertyNames) {
        const int row = m_properties->rowCount();
        m_properties->insertRow(row);
        m_properties->setItem(row, 0, new QTableWidgetItem(QString::fromLatin1(name)));
        m_properties->setItem(row, 1, new QTableWidgetItem);
    }
    auto* get = new QPushButton(QStringLiteral("读取"));
    auto* set = new QPushButton(QStringLiteral("设置"));
    auto* getAll = new QPushButton(QStringLiteral("全部读取"));
    auto* addRow = new QPushButton(QStringLiteral("添加行"));
    auto* propertyButtons = new QHBoxLayout;
    for (QPushButton* b : {get, set, getAll, addRow}) propertyButtons->addWidget(b);
    auto* propertyColumn = new QVBoxLayout;
    propertyColumn->addWidget(m_properties);
    propertyColumn->addLayout(propertyButtons);

    m_events = new QListWidget;
    auto* clear = new QPushButton(QStringLiteral("清除"));
    auto* eventColumn = new QVBoxLayout;
    eventColumn->addWidget(new QLabel(QStringLiteral("事件")));
    eventColumn->addWidget(m_events);
    eventColumn->addWidget(clear, 0, Qt::AlignRight);

    auto* middle = new QHBoxLayout;
    middle->addLayout(propertyColumn, 1);
    middle->addLayout(eventColumn, 1);

    m_bagFile = new QLineEdit(QStringLiteral("control-properties.txt"));
    auto* browse = new QPushButton(QStringLiteral("..."));
    browse->setFixedWidth(32);
    auto* save = new QPushButton(QStringLiteral("保存属性"));
    auto* load = new QPushButton(QStringLiteral("载入属性"));
    auto* bagRow = new QHBoxLayout;
    bagRow->addWidget(new QLabel(QStringLiteral("属性文件")));
    bagRow->addWidget(m_bagFile, 1);
    bagRow->addWidget(browse);
    bagRow->addWidget(save);
    bagRow->addWidget(load);

    m_status = new QLabel;
    m_status->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(sizeRow);
    layout->addWidget(m_stage);
    layout->addLayout(middle, 1);
    layout->addLayout(bagRow);
    layout->addWidget(m_status);
    resize(640, 480);

    connect(create, &QPushButton::clicked, this, [this] { createControl(); });
    connect(m_progId->lineEdit(), &QLineEdit::returnPressed, this, [this] { createControl(); });
    connect(m_width, &QSpinBox::valueChanged, this, [this] { applySize(); });
    connect(m_height, &QSpinBox::valueChanged, this, [this] { applySize(); });
    connect(m_runMode, &QCheckBox::toggled, this, [this] { switchMode(); });
    connect(m_tabStop, &QCheckBox::toggled, this, [this](bool on) {
        if (m_site) m_site->setTabStop(on);
    });
    connect(get, &QPushButton::clicked, this, [this] { getRow(m_properties->currentRow()); });
    connect(set, &QPushButton::clicked, this, [this] { setRow(m_properties->currentRow()); });
    connect(getAll, &QPushButton::clicked, this, [this] { getAllProperties(); });
    connect(addRow, &QPushButton::clicked, this, [this] {
        const int row = m_properties->rowCount();
        m_properties->insertRow(row);
        m_properties->setItem(row, 0, new QTableWidgetItem);
        m_properties->setItem(row, 1, new QTableWidgetItem);
        m_properties->setCurrentCell(row, 0);
    });
    connect(clear, &QPushButton::clicked, m_events, &QListWidget::clear);
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(
            this, QStringLiteral("属性文件"), m_bagFile->text(), {}, nullptr,
            QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
        if (!path.isEmpty()) m_bagFile->setText(path);
    });
    connect(save, &QPushButton::clicked, this, [this] { saveProperties(m_bagFile->text()); });
    connect(load, &QPushButton::clicked, this, [this] { loadProperties(m_bagFile->text()); });
}

ContainerWindow::~ContainerWindow() {
    m_object.reset();
    m_site.reset();
}

com::Variant ContainerWindow::valueOf(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    if (const int32_t i = t.toInt(&ok); ok) return com::Variant(i);
    if (const double d = t.toDouble(&ok); ok) return com::Variant(d);
    if (t.compare(u"True", Qt::CaseInsensitive) == 0) return com::Variant(true);
    if (t.compare(u"False", Qt::CaseInsensitive) == 0) return com::Variant(false);
    return com::Variant(text);
}

void ContainerWindow::writeLine(const QString& line) {
    QString one = line;
    one.replace(u'\\', QStringLiteral("\\\\")).replace(u'\n', QStringLiteral("\\n"));
    one.remove(u'\r');
    std::fputs(one.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
    m_events->addItem(one);
    while (m_events->count() > kMaxListedEvents) delete m_events->takeItem(0);
    m_events->scrollToBottom();
}

bool ContainerWindow::createControl() { return host(hosting::PropertyBag{}); }

bool ContainerWindow::createControl(const QString& progId) {
    m_progId->setCurrentText(progId);
    return createControl();
}

bool ContainerWindow::host(const hosting::PropertyBag& bag) {
    const QString progId = m_progId->currentText().trimmed();
    // The old instance goes first: its library may be the one to load again.
    m_object.reset();
    m_site.reset();
    m_eventNames.clear();
    m_valueId.reset();
    const hosting::ControlDesign design{.name = QStringLiteral("Control1"),
                                        .progId = progId,
                                        .left = kControlLeft,
                                        .top = kControlTop,
                                        .width = float(m_width->value()),
                                        .height = float(m_height->value()),
                                        .tabStop = m_tabStop->isChecked(),
                                        .userMode = m_runMode->isChecked(),
                                        .bag = bag};
    try {
        com::ClassLocation where;
        com::Ptr<com::IUnknown> instance = com::createObject(progId, {}, &where);
        writeLine(QStringLiteral("Class %1 %2 %3")
                      .arg(where.clsid.toString(),
                           where.source == com::ClassLocation::Source::Registry
                               ? QStringLiteral("registry")
                               : QStringLiteral("manifest"),
                           where.file));
        // Known before the instance is placed: it raises events and tells
        // of changed properties while it loads.
        m_object = instance.query<com::IDispatch>();
        if (auto control = instance.query<hosting::IControl>()) control->GetEvents(&m_eventNames);
        com::DispId valueId = 0;
        if (m_object &&
            com::hr::succeeded(m_object->GetIDOfName(QStringLiteral("Value"), &valueId)))
            m_valueId = valueId;
        m_site = std::make_unique<hosting::ControlSite>(
            m_stage, design, std::move(instance),
            hosting::SiteHandlers{
                .propertyChanged =
                    [this](const QString& name) {
                        writeLine(QStringLiteral("PropertyChanged ") + name);
                    },
                .event = [this](com::DispId id,
                                std::span<com::Variant> args) { logEvent(id, args); }});
    } catch (const errors::RuntimeError& e) {
        m_object.reset();
        m_site.reset();
        com::freeUnusedLibraries();
        for (int row = 0; row < m_properties->rowCount(); ++row)
            m_properties->item(row, 1)->setText({});
        writeError(QStringLiteral("create ") + progId, e.number(), e.description());
        showError(QStringLiteral("无法创建 %1 — %2").arg(progId, errorText(e)));
        controlResized();
        return false;
    }
    m_site->window()->installEventFilter(this);
    m_site->setVisible(true);
    writeLine(QStringLiteral("Created %1 Width=%2 Height=%3 Mode=%4")
                  .arg(progId, twipsText(m_site->Width()), twipsText(m_site->Height()),
                       m_runMode->isChecked() ? QStringLiteral("run") : QStringLiteral("design")));
    showStatus(QStringLiteral("已创建 %1（%2）")
                   .arg(progId, m_runMode->isChecked() ? QStringLiteral("运行模式")
                                                       : QStringLiteral("设计模式")));
    controlResized();
    getAllProperties();
    return true;
}

void ContainerWindow::resizeControl(float width, float height) {
    {
        const QSignalBlocker w(m_width), h(m_height);
        m_width->setValue(int(width));
        m_height->setValue(int(height));
    }
    if (!m_site) return;
    try {
        m_site->Move(kControlLeft, kControlTop, width, height);
    } catch (const errors::RuntimeError& e) {
        writeError(QStringLiteral("size"), e.number(), e.description());
        showError(errorText(e));
    }
    controlResized();
}

void ContainerWindow::applySize() {
    resizeControl(float(m_width->value()), float(m_height->value()));
}

float ContainerWindow::controlWidth() const { return m_site ? m_site->Width() : 0; }

float ContainerWindow::controlHeight() const { return m_site ? m_site->Height() : 0; }

bool ContainerWindow::eventFilter(QObject* watched, QEvent* event) {
    // The control may change its own size (in its Resize, or when a
    // property changes).
    if (m_site && watched == m_site->window() && event->type() == QEvent::Resize) controlResized();
    return false;
}

void ContainerWindow::controlResized() {
    m_keptSize->setText(m_site ? QStringLiteral("控件: %1 x %2")
                                     .arg(twipsText(m_site->Width()), twipsText(m_site->Height()))
                               : QString());
    // The stage is never smaller than the control with its margins, and the
    // window grows to show the whole stage; it never shrinks by itself.
    const QWidget* control = m_site ? m_site->window() : nullptr;
    const QSize needed = control ? QSize(forms::twipsToPixels(kControlLeft) + control->width(),
                                         forms::twipsToPixels(kControlTop) + control->height()) +
                                       QSize(kStageMargin, kStageMargin)
                                 : QSize(0, 60);
    m_stage->setMinimumSize(needed);
    layout()->activate();
    resize(size().expandedTo(minimumSizeHint()));
}

void ContainerWindow::setRunMode(bool runMode) { m_runMode->setChecked(runMode); }

void ContainerWindow::setTabStop(bool tabStop) { m_tabStop->setChecked(tabStop); }

void ContainerWindow::switchMode() {
    if (!m_site) return;
    try {
        const hosting::PropertyBag bag = m_site->save();
        host(bag);
    } catch (const errors::RuntimeError& e) {
        writeError(QStringLiteral("mode"), e.number(), e.description());
        showError(errorText(e));
    }
}

bool ContainerWindow::saveProperties(const QString& path) {
    if (!m_site) {
        showError(QStringLiteral("没有控件"));
        return false;
    }
    try {
        QString error;
        if (!writeBagFile(m_site->save(), path, &error)) {
            writeError(QStringLiteral("save ") + path, kFileAccessError, error);
            showError(QStringLiteral("无法保存 %1: %2").arg(path, error));
            return false;
        }
        showStatus(QStringLiteral("属性已保存到 %1").arg(path));
        return true;
    } catch (const errors::RuntimeError& e) {
        writeError(QStringLiteral("save ") + path, e.number(), e.description());
        showError(errorText(e));
        return false;
    }
}

bool ContainerWindow::loadProperties(const QString& path) {
    m_bagFile->setText(path);
    QString error;
    const std::optional<hosting::PropertyBag> bag = readBagFile(path, &error);
    if (!bag) {
        writeError(QStringLiteral("load ") + path, kFileAccessError, error);
        showError(QStringLiteral("无法载入 %1: %2").arg(path, error));
        return false;
    }
    // The stored extent is the size the control had; the user's boxes follow
    // it so the reload shows it as it was.
    if (bag->contains(QStringLiteral("_ExtentX")) && bag->contains(QStringLiteral("_ExtentY"))) {
        const QSignalBlocker w(m_width), h(m_height);
        m_width->setValue(int(bag->ReadProperty(QStringLiteral("_ExtentX")).toDouble()));
        m_height->setValue(int(bag->ReadProperty(QStringLiteral("_ExtentY")).toDouble()));
    }
    if (!host(*bag)) return false;
    showStatus(QStringLiteral("已从 %1 载入").arg(path));
    return true;
}

com::DispId ContainerWindow::dispIdOf(const QString& nameOrNumber) const {
    bool isNumber = false;
    const com::DispId id = nameOrNumber.trimmed().toInt(&isNumber);
    if (isNumber) return id;
    com::DispId found = 0;
    if (com::hr::failed(m_site->object()->GetIDOfName(nameOrNumber.trimmed(), &found)))
        errors::raiseError(errors::ObjectDoesNotSupport,
                           QStringLiteral("对象不支持该属性: %1").arg(nameOrNumber));
    return found;
}

com::Variant ContainerWindow::get(const QString& nameOrDispId) const {
    return m_site->get(dispIdOf(nameOrDispId));
}

std::optional<com::Variant> ContainerWindow::property(const QString& nameOrDispId) {
    if (!m_site) return std::nullopt;
    try {
        return get(nameOrDispId);
    } catch (const errors::RuntimeError& e) {
        writeError(QStringLiteral("get ") + nameOrDispId, e.number(), e.description());
        return std::nullopt;
    }
}

bool ContainerWindow::setProperty(const QString& nameOrDispId, const com::Variant& value) {
    if (!m_site) return false;
    bool done = true;
    try {
        m_site->put(dispIdOf(nameOrDispId), value);
        showStatus(QStringLiteral("%1 已设置").arg(nameOrDispId));
    } catch (const errors::RuntimeError& e) {
        writeError(QStringLiteral("set ") + nameOrDispId, e.number(), e.description());
        showError(QStringLiteral("设置 %1 — %2").arg(nameOrDispId, errorText(e)));
        done = false;
    }
    // A put may clamp, and may move others (Min moves Value): show them all.
    getAllProperties();
    return done;
}

void ContainerWindow::getRow(int row) {
    if (row < 0) return;
    const std::optional<com::Variant> value = property(m_properties->item(row, 0)->text());
    QTableWidgetItem* cell = m_properties->item(row, 1);
    cell->setText(value ? value->toString() : QStringLiteral("错误"));
    cell->setForeground(value ? palette().color(QPalette::Text) : QColor(Qt::red));
}

void ContainerWindow::setRow(int row) {
    if (row < 0) return;
    setProperty(m_properties->item(row, 0)->text(), valueOf(m_properties->item(row, 1)->text()));
}

void ContainerWindow::getAllProperties() {
    // Quietly: a control without one of the usual properties is not an
    // error worth a line each time the table is refreshed.
    for (int row = 0; row < m_properties->rowCount(); ++row) {
        const QString name = m_properties->item(row, 0)->text().trimmed();
        QTableWidgetItem* cell = m_properties->item(row, 1);
        if (name.isEmpty() || !m_site) {
            cell->setText({});
            continue;
        }
        try {
            cell->setText(get(name).toString());
            cell->setForeground(palette().color(QPalette::Text));
        } catch (const errors::RuntimeError& e) {
            cell->setText(errorText(e));
            cell->setForeground(Qt::red);
        }
    }
}

QWidget* ContainerWindow::controlWindow() const { return m_site ? m_site->window() : nullptr; }

QWidget* ContainerWindow::constituent(const QString& name) const {
    QWidget* control = controlWindow();
    if (!control) return nullptr;
    return control->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
}

void ContainerWindow::logEvent(com::DispId id, std::span<com::Variant> args) {
    const hosting::EventDescription* event = findEvent(m_eventNames, id);
    m_answers.apply(event, args);
    std::optional<com::Variant> value;
    if (m_valueId && m_object) {
        try {
            value = com::getProperty(*m_object, *m_valueId);
        } catch (const errors::RuntimeError&) {
            // A Value that cannot be read now is left off the line.
        }
    }
    writeLine(eventLine(++m_eventCount, event, id, args, value));
    // The event may have moved a property the table shows.
    if (m_site) getAllProperties();
}

void ContainerWindow::reportError(int number, const QString& description) {
    writeLine(QStringLiteral("Error %1 %2").arg(number).arg(description));
    showError(QStringLiteral("错误 %1: %2").arg(number).arg(description));
}

void ContainerWindow::writeError(const QString& where, int number, const QString& description) {
    writeLine(QStringLiteral("Error %1 %2: %3").arg(number).arg(where, description));
}

void ContainerWindow::showError(const QString& text) {
    m_status->setText(text);
    m_status->setStyleSheet(QStringLiteral("color: #b00000"));
}

void ContainerWindow::showStatus(const QString& text) {
    m_status->setText(text);
    m_status->setStyleSheet({});
}
