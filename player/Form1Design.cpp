// The window as designed: every control's place, size, caption, colours and
// font, in twips, and the wiring of its events to Form1's handlers.
#include <QFont>

#include "Form1.h"
#include "SavedPlaylist.h"

namespace {
const QColor kStripBlue(128, 128, 255);
const QColor kClockGreen(0, 192, 0);
const QColor kBoxGrey(192, 192, 192);
const QColor kTrackPink(255, 128, 255);

QFont clockFont() {
    // A fixed-pitch face of 9 points stands in for the terminal font.
    QFont font(QStringLiteral("Monospace"), 9);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setWeight(QFont::Normal);
    return font;
}

QFont aboutFont(QFont font) {
    // The desktop's small size for secondary text: at it the whole about
    // line, date included, fits the 3000-twip strip.
    font.setPointSize(8);
    return font;
}
}  // namespace

Form1::Form1(std::unique_ptr<MediaDevice> device, std::unique_ptr<FileDialog> dialog)
    : forms::Form(QStringLiteral("Form1"), 3510, 4290),
      Label1(this, QStringLiteral("Label1")),
      Label3(this, QStringLiteral("Label3")),
      Label4(this, QStringLiteral("Label4")),
      Label2(this, QStringLiteral("Label2")),
      Label5(this, QStringLiteral("Label5")),
      Picture1(this, QStringLiteral("Picture1")),
      HScroll1(this, QStringLiteral("HScroll1")),
      Line1(this, QStringLiteral("Line1")),
      Command6(this, QStringLiteral("Command6")),
      Command2(this, QStringLiteral("Command2")),
      Command3(this, QStringLiteral("Command3")),
      Command5(this, QStringLiteral("Command5")),
      Command4(this, QStringLiteral("Command4")),
      Command1(this, QStringLiteral("Command1")),
      Command7(this, QStringLiteral("Command7")),
      Command8(this, QStringLiteral("Command8")),
      List1(this, QStringLiteral("List1")),
      Timer1(QStringLiteral("Timer1")),
      Timer2(QStringLiteral("Timer2")),
      outputWait(QStringLiteral("outputWait")),
      caidna(QStringLiteral("caidna"), QStringLiteral("caidan")),
      add(caidna.addItem(QStringLiteral("add"), QStringLiteral("添加"))),
      del(caidna.addItem(QStringLiteral("del"), QStringLiteral("删除"))),
      delt(caidna.addItem(QStringLiteral("delt"), QStringLiteral("删除其余"))),
      stripRow(this, Label1, {&Label3, &Label4}),
      m_mci(std::move(device)),
      m_cdlg(std::move(dialog)),
      mci(*m_mci),
      cdlg(*m_cdlg) {
    setCaption(QStringLiteral("ravelle"));
    setIcon(QIcon(QStringLiteral(":/ravelle/ravelle.xpm")));

    Label1.Move(8, 0, 3495, 375);
    Label1.setBackColor(kStripBlue);

    Label3.Move(420, 75, 3000, 255);
    Label3.setBackColor(kStripBlue);
    Label3.setForeColor(palette().color(QPalette::WindowText));
    Label3.setFont(aboutFont(font()));
    Label3.setCaption(QStringLiteral("ravelle V1.3 周岚 编于2004年3月"));

    Label4.Move(4350, 75, 3000, 178);
    Label4.setBackColor(kStripBlue);

    Label2.Move(8, 480, 735, 255);
    Label2.setBackColor(kStripBlue);
    Label2.setForeColor(kClockGreen);
    Label2.setFont(clockFont());
    Label2.setCaption(kClockReset);

    // The elapsed-seconds count lives here, never shown.
    Label5.Move(1200, 840, 375, 135);
    Label5.setVisible(false);

    Picture1.Move(980, 480, 280, 280);
    Picture1.setBackColor(kBoxGrey);

    HScroll1.Move(1340, 480, 2055, 220);
    HScroll1.setMin(0);
    HScroll1.setMax(32767);
    HScroll1.setSmallChange(1);
    HScroll1.setLargeChange(1);

    Line1.setEnds(100, 1100, 3360, 1100);
    Line1.setBorderColor(kTrackPink);

    // The progress marker: a captionless button that slides along Line1.
    Command6.Move(kMarkerHome, 1000, 135, 180);

    Command2.Move(80, 1320, 615, 255);
    Command2.setCaption(QStringLiteral("播放"));
    Command3.Move(690, 1320, 615, 255);
    Command3.setCaption(QStringLiteral("暂停"));
    Command5.Move(690, 1320, 615, 255);
    Command5.setCaption(QStringLiteral("继续"));
    Command4.Move(1305, 1320, 615, 255);
    Command4.setCaption(QStringLiteral("停止"));
    Command1.Move(2640, 1320, 615, 255);
    Command1.setCaption(QStringLiteral("打开"));
    Command7.Move(3255, 1320, 242, 255);
    Command7.setCaption(QStringLiteral("↓"));
    Command8.Move(3255, 1320, 242, 255);
    Command8.setCaption(QStringLiteral("↑"));

    List1.Move(68, 1800, 3375, 2400);
    List1.setBackColor(kStripBlue);
    List1.setForeColor(Qt::black);

    Timer1.setInterval(50);
    Timer1.setEnabled(true);
    Timer2.setInterval(1000);
    Timer2.setEnabled(false);
    outputWait.setInterval(kOutputWaitMs);
    outputWait.setEnabled(false);

    createVolumeSlider();

    setTabOrder({&List1, &Command1, &Command2, &Command3, &Command4, &Command5, &Command6,
                 &HScroll1, &Command7, &Command8});

    m_saved = std::make_unique<SavedPlaylist>(
        [this]() -> const forms::TextList& { return List1.texts(); });
    QObject::connect(&List1.entryChanges(), &forms::ChangeNotifier::changed, this,
                     [this] { playlistChanged(); });

    Load = [this] { Form_Load(); };
    OLEDragDrop = [this](const QList<QUrl>& dropped) { Form_OLEDragDrop(dropped); };
    Unload = [this](int& cancel) { Form_Unload(cancel); };
    Command1.Click = [this] { Command1_Click(); };
    Command2.Click = [this] { Command2_Click(); };
    Command3.Click = [this] { Command3_Click(); };
    Command4.Click = [this] { Command4_Click(); };
    Command5.Click = [this] { Command5_Click(); };
    List1.DblClick = [this] { List1_DblClick(); };
    mci.StatusUpdate = [this] { mci_StatusUpdate(); };
    Timer1.OnTimer = [this] { Timer1_Timer(); };
    Timer2.OnTimer = [this] { Timer2_Timer(); };
    outputWait.OnTimer = [this] {
        outputWait.setEnabled(false);
        if (m_advance) advanceTurn(m_advance->generation);
    };
    HScroll1.Change = [this] { HScroll1_Change(); };
    List1.MouseDown = [this](int button, int shift, float x, float y) {
        List1_MouseDown(button, shift, x, y);
    };
    add.Click = [this] { add_Click(); };
    del.Click = [this] { del_Click(); };
    delt.Click = [this] { delt_Click(); };
    Command7.Click = [this] { Command7_Click(); };
    Command8.Click = [this] { Command8_Click(); };
}

Form1::~Form1() = default;

void Form1::createVolumeSlider() {
    // Found by its programmatic identifier in the component registry, or
    // through the manifest beside the program. Only its size is stored, so
    // every property keeps the control's default.
    try {
        vsVolume = std::make_unique<hosting::ControlSite>(
            this, hosting::ControlDesign{.name = QStringLiteral("vsVolume"),
                                         .progId = QStringLiteral("工程1.NewHscrollbar"),
                                         .left = 1440,
                                         .top = 360,
                                         .width = 1815,
                                         .height = 240,
                                         .visible = false,
                                         .bag = hosting::PropertyBag::withExtent(1815, 240)});
    } catch (const errors::RuntimeError& error) {
        // The player still plays without it; the volume then goes straight
        // from the scroll bar to the output.
        m_componentError = error.description();
    }
}
