#include "ContainerWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cstdio>

#include "EventLine.h"
#include "PropertyBagFile.h"
#include "errors/RuntimeError.h"

namespace {
// Where the control sits on the stage, in twips.
constexpr float kControlLeft = 240, kControlTop = 240;
// The event list keeps the latest lines only: a long drag raises thousands.
constexpr int kMaxListedEvents = 2000;

// The properties most controls have; the user may type any other name, or a
// dispatch identifier, into the table.
const char* const kPropertyNames[] = {"Value",       "Min",         "Max",
                                      "SmallChange", "LargeChange", "Enabled"};

// What the user typed, as the value a property put carries: a whole number,
// another number, True or False, or else text.
com::Variant valueOf(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    if (const int32_t i = t.toInt(&ok); ok) return com::Variant(i);
    if (const double d = t.toDouble(&ok); ok) return com::Variant(d);
    if (t.compare(u"True", Qt::CaseInsensitive) == 0) return com::Variant(true);
    if (t.compare(u"False", Qt::CaseInsensitive) == 0) return com::Variant(false);
    return com::Variant(text);
}

QString errorText(const errors::RuntimeError& e) {
    return QStringLiteral("错误 %1: %2").arg(e.number()).arg(e.description());
}
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
        box->setRange(0, 30000);
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
    connect(m_runMode, &QCheckBox::toggled, this, [this](bool on) { switchMode(on); });
    connect(m_tabStop, &QCheckBox::toggled, this, [this](bool on) {
        if (m_site) m_site->setTabStop(on);
    });
    connect(get, &QPushButton::clicked, this, [this] { getProperty(m_properties->currentRow()); });
    connect(set, &QPushButton::clicked, this, [this] { setProperty(m_properties->currentRow()); });
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
    connect(save, &QPushButton::clicked, this, [this] { saveBag(); });
    connect(load, &QPushButton::clicked, this, [this] { loadBag(); });
}

ContainerWindow::~ContainerWindow() = default;

bool ContainerWindow::createControl() { return host(hosting::PropertyBag{}); }

bool ContainerWindow::host(const hosting::PropertyBag& bag) {
    const QString progId = m_progId->currentText().trimmed();
    // The old instance goes first: its library may be the one to load again.
    m_site.reset();
    m_eventNames.clear();
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
        m_site = std::make_unique<hosting::ControlSite>(
            m_stage, design,
            hosting::SiteHandlers{.event = [this](com::DispId id, std::span<com::Variant> args) {
                logEvent(id, args);
            }});
    } catch (const errors::RuntimeError& e) {
        m_site.reset();
        m_raisedWhileCreating.clear();
        for (int row = 0; row < m_properties->rowCount(); ++row)
            m_properties->item(row, 1)->setText({});
        showError(QStringLiteral("无法创建 %1 — %2").arg(progId, errorText(e)));
        updateSizeLabel();
        return false;
    }
    m_eventNames = m_site->events();
    for (auto& [id, args] : std::exchange(m_raisedWhileCreating, {})) logEvent(id, args);
    m_site->setVisible(true);
    m_status->setText(QStringLiteral("已创建 %1（%2）")
                          .arg(progId, m_runMode->isChecked() ? QStringLiteral("运行模式")
                                                              : QStringLiteral("设计模式")));
    m_status->setStyleSheet({});
    updateSizeLabel();
    getAllProperties();
    return true;
}

void ContainerWindow::applySize() {
    if (!m_site) return;
    try {
        m_site->Move(kControlLeft, kControlTop, float(m_width->value()), float(m_height->value()));
    } catch (const errors::RuntimeError& e) {
        showError(errorText(e));
    }
    updateSizeLabel();
}

void ContainerWindow::updateSizeLabel() {
    m_keptSize->setText(m_site ? QStringLiteral("控件: %1 x %2")
                                     .arg(double(m_site->Width()))
                                     .arg(double(m_site->Height()))
                               : QString());
}

void ContainerWindow::switchMode(bool runMode) {
    Q_UNUSED(runMode);
    if (!m_site) return;
    // A host changes mode by saving its controls and loading them again in
    // the other mode, as a designer does when its program starts.
    try {
        const hosting::PropertyBag bag = m_site->save();
        host(bag);
    } catch (const errors::RuntimeError& e) {
        showError(errorText(e));
    }
}

void ContainerWindow::saveBag() {
    if (!m_site) return showError(QStringLiteral("没有控件"));
    try {
        QString error;
        if (!writeBagFile(m_site->save(), m_bagFile->text(), &error))
            return showError(QStringLiteral("无法保存 %1: %2").arg(m_bagFile->text(), error));
        m_status->setText(QStringLiteral("属性已保存到 %1").arg(m_bagFile->text()));
        m_status->setStyleSheet({});
    } catch (const errors::RuntimeError& e) {
        showError(errorText(e));
    }
}

void ContainerWindow::loadBag() {
    QString error;
    const std::optional<hosting::PropertyBag> bag = readBagFile(m_bagFile->text(), &error);
    if (!bag) return showError(QStringLiteral("无法载入 %1: %2").arg(m_bagFile->text(), error));
    // The stored extent is the size the control had; the user's boxes follow
    // it so the reload shows it as it was.
    if (bag->contains(QStringLiteral("_ExtentX")) && bag->contains(QStringLiteral("_ExtentY"))) {
        const QSignalBlocker w(m_width), h(m_height);
        m_width->setValue(int(bag->ReadProperty(QStringLiteral("_ExtentX")).toDouble()));
        m_height->setValue(int(bag->ReadProperty(QStringLiteral("_ExtentY")).toDouble()));
    }
    if (host(*bag)) m_status->setText(QStringLiteral("已从 %1 载入").arg(m_bagFile->text()));
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

void ContainerWindow::getProperty(int row) {
    if (!m_site || row < 0) return;
    QTableWidgetItem* value = m_properties->item(row, 1);
    try {
        value->setText(m_site->get(dispIdOf(m_properties->item(row, 0)->text())).toString());
        value->setForeground(palette().color(QPalette::Text));
    } catch (const errors::RuntimeError& e) {
        value->setText(errorText(e));
        value->setForeground(Qt::red);
    }
}

void ContainerWindow::setProperty(int row) {
    if (!m_site || row < 0) return;
    const QString name = m_properties->item(row, 0)->text();
    try {
        m_site->put(dispIdOf(name), valueOf(m_properties->item(row, 1)->text()));
        m_status->setText(QStringLiteral("%1 已设置").arg(name));
        m_status->setStyleSheet({});
    } catch (const errors::RuntimeError& e) {
        showError(QStringLiteral("设置 %1 — %2").arg(name, errorText(e)));
    }
    // A put may clamp, and may move others (Min moves Value): show them all.
    getAllProperties();
}

void ContainerWindow::getAllProperties() {
    for (int row = 0; row < m_properties->rowCount(); ++row)
        if (!m_properties->item(row, 0)->text().trimmed().isEmpty()) getProperty(row);
}

void ContainerWindow::logEvent(com::DispId id, std::span<com::Variant> args) {
    if (!m_site) {
        // Raised while the control loads (a stored value it clamps): named
        // once the control can say what its events are called.
        QList<com::Variant> values;
        for (const com::Variant& a : args)
            values << (a.refInt16() ? com::Variant(*a.refInt16()) : a);
        m_raisedWhileCreating.append({id, values});
        return;
    }
    log(eventLine(m_eventNames, id, args));
    // The event may have moved a property the table shows.
    getAllProperties();
}

void ContainerWindow::reportError(int number, const QString& description) {
    log(QStringLiteral("Error %1 %2").arg(number).arg(description));
    showError(QStringLiteral("错误 %1: %2").arg(number).arg(description));
}

void ContainerWindow::log(const QString& line) {
    std::fputs(line.toUtf8().append('\n').constData(), stdout);
    std::fflush(stdout);
    m_events->addItem(line);
    while (m_events->count() > kMaxListedEvents) delete m_events->takeItem(0);
    m_events->scrollToBottom();
}

void ContainerWindow::showError(const QString& text) {
    m_status->setText(text);
    m_status->setStyleSheet(QStringLiteral("color: #b00000"));
}
