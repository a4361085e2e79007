#include "mainwindow/window1.h"

#include "app/globalpictures.h"
#include "burner/ccdr.h"
#include "burner/diskrecordingmodule.h"
#include "burnlist/csuperlist.h"
#include "burnlist/formatbytes.h"
#include "mainwindow/anchoredlayout.h"
#include "mainwindow/canvas.h"
#include "mainwindow/menu.h"
#include "mainwindow/popupmenu.h"
#include "settings/xmlmodule.h"
#include "volumeindex/volumenamepopup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

namespace
{

QPointer<Window1>& theWindow()
{
    static QPointer<Window1> window;
    return window;
}

// The program's "System" fonts: the default family at a size in pixels.
QFont systemFont(int pixelSize, bool bold = false)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// A dark palette: text lighter than the window behind it.
bool isDark(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

QTimer* singleShotTimer(QObject* parent, int msec)
{
    auto* timer = new QTimer(parent);
    timer->setSingleShot(true);
    timer->setInterval(msec);
    return timer;
}

} // namespace

Window1::Window1(QWidget* parent)
    : QMainWindow(parent)
{
    theWindow() = this;
    setObjectName(QStringLiteral("Window1"));
    setWindowTitle(QStringLiteral("Kestrow 4"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setMenuBar(Menu::shared()->createMenuBar(this));

    m_content = new QWidget(this);
    m_content->setObjectName(QStringLiteral("Content"));
    setCentralWidget(m_content);
    // The window cannot be made smaller than the size it opens with; a
    // stored size must reach MinimumContentSize to be restored.
    m_content->setMinimumSize(DefaultContentSize);
    m_content->setMaximumSize(32000, 32000);
    resize(DefaultContentSize.width(), DefaultContentSize.height() + menuBar()->sizeHint().height());

    createControls();
    DiskRecordingModule::SetBurnHost(this);

    Menu* menu = Menu::shared();
    connect(menu, &Menu::EnableMenuItems, this, &Window1::EnableMenuItems);
    connect(menu->FileNew(), &QAction::triggered, this, &Window1::FileNew);
    connect(menu->FileQuit(), &QAction::triggered, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

Window1::~Window1()
{
    DiskRecordingModule::SetBurnHost(nullptr);
    if (SelectedDevice)
        SelectedDevice->UnRegisterForCallback(CCallBack1);
}

Window1* Window1::instance() { return theWindow(); }

void Window1::createControls()
{
    using A = AnchoredLayout::Anchor;
    m_layout = new AnchoredLayout(m_content, DefaultContentSize);
    const QFont system12 = systemFont(12);

    DevicePopup = new PopupMenu(m_content);
    DevicePopup->setObjectName(QStringLiteral("DevicePopup"));
    DevicePopup->setFont(system12);
    DevicePopup->addItem(QStringLiteral("none"));
    m_layout->place(DevicePopup, { 250, 8, 280, 20 }, A::Left | A::Right);
    connect(DevicePopup, &PopupMenu::Change, this, &Window1::DevicePopup_Change);

    StaticText1 = new QLabel(QStringLiteral("Select Burner:"), m_content);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setFont(system12);
    StaticText1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_layout->place(StaticText1, { 155, 8, 88, 20 });

    CCallBack1 = new CCallBack(this);
    CCallBack1->setObjectName(QStringLiteral("CCallBack1"));
    connect(CCallBack1, &CCallBack::EMediaReady, this, &Window1::CCallBack1_EMediaReady);

    VolumeNameField = new QLineEdit(QStringLiteral("Untitled Volume"), m_content);
    VolumeNameField->setObjectName(QStringLiteral("VolumeNameField"));
    VolumeNameField->setFont(system12);
    // White behind the name; a dark palette's light text needs its own base.
    if (!isDark(palette()))
        VolumeNameField->setStyleSheet(QStringLiteral("QLineEdit { background: white; }"));
    m_layout->place(VolumeNameField, { 250, 40, 200, 22 }, A::Left | A::Right);

    Canvas1 = new Canvas(m_content);
    Canvas1->setObjectName(QStringLiteral("Canvas1"));
    Canvas1->setAccessibleName(QStringLiteral("Disc"));
    Canvas1->setBackdrop(Globals::CDIcon_grey());
    Canvas1->setPaintHook([this](QPainter& g) { Canvas1_Paint(g); });
    m_layout->place(Canvas1, { 20, 14, 128, 128 });

    BurnerInfoButton = new QToolButton(m_content);
    BurnerInfoButton->setObjectName(QStringLiteral("BurnerInfoButton"));
    BurnerInfoButton->setText(QStringLiteral("?"));
    BurnerInfoButton->setAccessibleName(QStringLiteral("Burner Information"));
    BurnerInfoButton->setToolTip(QStringLiteral("Burner Information"));
    BurnerInfoButton->setFont(systemFont(11, true));
    BurnerInfoButton->setStyleSheet(QStringLiteral("QToolButton { border: 1px solid palette(mid); border-radius: 9px; background: palette(button); }"
                                                   "QToolButton:pressed { background: palette(midlight); }"
                                                   "QToolButton:disabled { color: palette(mid); }"));
    BurnerInfoButton->setEnabled(false);
    m_layout->place(BurnerInfoButton, { 542, 8, 20, 20 }, A::Right);
    connect(BurnerInfoButton, &QToolButton::clicked, this, &Window1::BurnerInfoButton_Action);

    auto makeBevel = [&](const QString& name, const QString& caption, int top, bool bold) {
        auto* button = new QPushButton(caption, m_content);
        button->setObjectName(name);
        button->setFont(systemFont(12, bold));
        button->setEnabled(false);
        button->setAutoDefault(false);
        m_layout->place(button, { 20, top, 128, 28 }, A::Bottom);
        return button;
    };
    EjectButton = makeBevel(QStringLiteral("EjectButton"), QStringLiteral("Eject"), 154, false);
    EraseButton = makeBevel(QStringLiteral("EraseButton"), QStringLiteral("Erase"), 182, false);
    BurnButton = makeBevel(QStringLiteral("BurnButton"), QStringLiteral("Burn"), 210, true);
    connect(EjectButton, &QPushButton::clicked, this, &Window1::EjectButton_Action);
    connect(EraseButton, &QPushButton::clicked, this, &Window1::EraseButton_Action);
    connect(BurnButton, &QPushButton::clicked, this, &Window1::BurnButton_Action);

    StaticText2 = new QLabel(QStringLiteral("Volume Name:"), m_content);
    StaticText2->setObjectName(QStringLiteral("StaticText2"));
    StaticText2->setFont(system12);
    StaticText2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_layout->place(StaticText2, { 155, 41, 88, 20 });

    DatabasePopup = new PopupMenu(m_content);
    DatabasePopup->setObjectName(QStringLiteral("DatabasePopup"));
    DatabasePopup->setFont(system12);
    m_layout->place(DatabasePopup, { 462, 41, 100, 20 }, A::Right);

    ListBox1 = new CSuperList(m_content);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setFont(system12);
    ListBox1->setHost(this);
    m_layout->place(ListBox1, { 170, 73, 390, 137 }, A::Left | A::Top | A::Right | A::Bottom);

    SizeWarningCanvas = new Canvas(m_content);
    SizeWarningCanvas->setObjectName(QStringLiteral("SizeWarningCanvas"));
    m_layout->place(SizeWarningCanvas, { 170, 221, 17, 17 }, A::Bottom);

    TotalText = new QLabel(QStringLiteral("Total:"), m_content);
    TotalText->setObjectName(QStringLiteral("TotalText"));
    TotalText->setFont(system12);
    m_layout->place(TotalText, { 191, 221, 369, 20 }, A::Left | A::Right | A::Bottom);

    CalculateTotalTimer = singleShotTimer(this, 10);
    CalculateTotalTimer->setObjectName(QStringLiteral("CalculateTotalTimer"));
    connect(CalculateTotalTimer, &QTimer::timeout, this, &Window1::CalculateTotalTimer_Action);
    BurnRetryTimer = singleShotTimer(this, 2500);
    BurnRetryTimer->setObjectName(QStringLiteral("BurnRetryTimer"));
    connect(BurnRetryTimer, &QTimer::timeout, this, &Window1::BurnRetryTimer_Action);
    BuildPopupTimer = singleShotTimer(this, 300);
    BuildPopupTimer->setObjectName(QStringLiteral("BuildPopupTimer"));

    m_volumePopup = std::make_unique<VolumeNamePopup>(VolumeNameField, DatabasePopup, BuildPopupTimer);

    // The list's own menu enabling and its changes of selection or rows.
    connect(Menu::shared(), &Menu::EnableMenuItems, ListBox1, [this] {
        Menu* menu = Menu::shared();
        if (ListBox1->canClear())
            menu->EditClear()->setEnabled(true);
        if (ListBox1->canSelectAll())
            menu->EditSelectAll()->setEnabled(true);
    });
    connect(Menu::shared()->EditClear(), &QAction::triggered, ListBox1, &CSuperList::EditClear);
    connect(Menu::shared()->EditSelectAll(), &QAction::triggered, ListBox1, &CSuperList::EditSelectAll);
    connect(ListBox1, &CSuperList::menuEnablingChanged, Menu::shared(), &Menu::RequestUpdate);
}

QRect Window1::contentBounds() const { return { x(), y(), m_content->width(), m_content->height() }; }

void Window1::Open()
{
    CXMLRef root = XMLModule::XMLRoot();
    MyXML = root->GetContainer(QStringLiteral("BurnWindow"), 1);
    if (!MyXML) {
        MyXML = std::make_shared<CXML>();
        MyXML->Name = QStringLiteral("BurnWindow");
        root->InsertContainer(MyXML);
    }

    WindowBoundsUpdating = true;
    const int left = MyXML->GetIntegerValue(QStringLiteral("Left"), x());
    const int top = MyXML->GetIntegerValue(QStringLiteral("Top"), y());
    move(left, top);
    QSize content = m_content->size();
    const int width = MyXML->GetIntegerValue(QStringLiteral("Width"), content.width());
    if (width >= MinimumContentSize.width())
        content.setWidth(width);
    const int height = MyXML->GetIntegerValue(QStringLiteral("Height"), content.height());
    if (height >= MinimumContentSize.height())
        content.setHeight(height);
    resize(content.width(), content.height() + menuBar()->sizeHint().height());
    WindowBoundsUpdating = false;

    FindingDevices = true;
    Canvas1->setBackdrop(Globals::CDIcon_grey());
    MediaBlockSize = 2048;
    show();
    Canvas1->repaint();

    DiskRecordingModule::DRLoadBurnableDevices();
    BuildDevicePopup();
    FindingDevices = false;
    Canvas1->update();

    UpdateDatabasePopup(QString());

    const QString selected = root->GetStringValue(QStringLiteral("SelectedBurner"), QStringLiteral("None"));
    if (!Globals::SetupPopup(DevicePopup, selected))
        DevicePopup->SelectIndex(0);
    m_opened = true;
    Menu::shared()->UpdateEnabledStates();
}

void Window1::StoreBounds(bool position, bool size)
{
    if (WindowBoundsUpdating || !m_opened || !MyXML)
        return;
    if (position) {
        MyXML->SetIntegervalue(QStringLiteral("Left"), x());
        MyXML->SetIntegervalue(QStringLiteral("Top"), y());
    }
    if (size) {
        MyXML->SetIntegervalue(QStringLiteral("Width"), m_content->width());
        MyXML->SetIntegervalue(QStringLiteral("Height"), m_content->height());
    }
}

void Window1::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    StoreBounds(true, false);
}

void Window1::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    StoreBounds(false, true);
}

void Window1::closeEvent(QCloseEvent* event)
{
    // Closing the main window ends the program; the application's quit
    // sequence saves the settings.
    event->accept();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void Window1::EnableMenuItems()
{
    if (ListBox1->count() > 0)
        Menu::shared()->FileNew()->setEnabled(true);
}

bool Window1::FileNew()
{
    ListBox1->ClearAll();
    return false;
}

// --- burner popup and media status

void Window1::BuildDevicePopup()
{
    DevicePopup->clear();
    DevicePopup->addItem(QStringLiteral("None"));
    const auto& devices = DiskRecordingModule::DRDeviceArray();
    for (size_t i = 1; i < devices.size(); ++i)
        DevicePopup->addItem(devices[i] ? devices[i]->GetDescriptiveName() : QString());
}

void Window1::DevicePopup_Change()
{
    const int i = DevicePopup->currentIndex();
    const auto& devices = DiskRecordingModule::DRDeviceArray();
    if (i <= 0 || static_cast<size_t>(i) >= devices.size() || !devices[static_cast<size_t>(i)]) {
        if (SelectedDevice) {
            SelectedDevice->UnRegisterForCallback(CCallBack1);
            SelectedDevice->ReleaseExclusiveAccess();
        }
        SelectedDevice.reset();
        MediaNoAccess = false;
        BurnerInfoButton->setEnabled(false);
        MediaAvailable = false;
        Canvas1->setBackdrop(Globals::CDIcon_grey());
        EjectButton->setEnabled(false);
    } else {
        BurnerInfoButton->setEnabled(true);
        std::shared_ptr<CCDR> d = devices[static_cast<size_t>(i)];
        if (SelectedDevice && SelectedDevice != d) {
            SelectedDevice->UnRegisterForCallback(CCallBack1);
            SelectedDevice->ReleaseExclusiveAccess();
        }
        SelectedDevice = d;
        d->RegisterForCallback(CCallBack1);
        (void)d->AquireExclusiveAccess();
    }
    Canvas1->update();
    XMLModule::XMLRoot()->SetStringValue(QStringLiteral("SelectedBurner"), i <= 0 ? QStringLiteral("None") : DevicePopup->currentText());
}

void Window1::CCallBack1_EMediaReady(const QString& name, const CFDictionaryRef& info)
{
    if (name == QLatin1String("DRBurnStatusChangedNotification")) {
        BurnStatusChanged(info);
        return;
    }
    if (name == QLatin1String("DREraseStatusChangedNotification")) {
        EraseStatusChanged(info);
        return;
    }
    if (name != QLatin1String("DRDeviceStatusChangedNotification") || !info)
        return;

    CalculateTotalTimer->start();
    if (CFDictionaryRef media = info->dictionaryValue(QStringLiteral("DRDeviceMediaInfoKey"))) {
        if (CFNumberRef free = media->numberValue(QStringLiteral("DRDeviceMediaBlocksFreeKey")))
            MediaBlocksAvailable = static_cast<double>(free->toInt64());
        if (CFBooleanRef appendable = media->booleanValue(QStringLiteral("DRDeviceMediaIsAppendableKey")))
            MediaAppendable = appendable->value();
        if (CFBooleanRef erasable = media->booleanValue(QStringLiteral("DRDeviceMediaIsErasableKey"))) {
            MediaEraseable = erasable->value();
            EraseButton->setEnabled(MediaEraseable);
        }
        if (CFNumberRef sessions = media->numberValue(QStringLiteral("DRDeviceMediaSessionCountKey")))
            MediaSessionCount = sessions->toInt32();
        if (CFStringRef type = media->stringValue(QStringLiteral("DRDeviceMediaTypeKey"))) {
            MediaType = type->value();
            MediaBlockSize = 2048;
            MediaIsDVD = MediaType.contains(QLatin1String("DVD"));
        }
        if (CFArrayRef speeds = media->arrayValue(QStringLiteral("DRDeviceBurnSpeedsKey")))
            BurnSpeeds = speeds;
    }
    const CFBooleanRef noAccess = info->booleanValue(QStringLiteral("KestrowDeviceNoAccessKey"));
    MediaNoAccess = noAccess && noAccess->value();
    const CFStringRef state = info->stringValue(QStringLiteral("DRDeviceMediaStateKey"));
    MediaAvailable = state && state->value() == QLatin1String("DRDeviceMediaStateMediaPresent");
    EjectButton->setEnabled(MediaAvailable);

    Canvas1->setBackdrop(((MediaAppendable && MediaAvailable) || Burning) ? Globals::CDIcon_normal() : Globals::CDIcon_grey());
    Canvas1->update();
    DoBurnButton();
}

void Window1::DoBurnButton() { BurnButton->setEnabled(MediaAvailable && MediaAppendable && ListBox1->count() > 0 && !Burning); }

QVector<Window1::CanvasLine> Window1::CanvasLines() const
{
    QVector<CanvasLine> lines;
    const int height = Canvas1->height();
    QFont font = Canvas1->font();
    int size = 0;
    bool bold = false;
    // Sets the size and weight of the following lines; answers the ascent.
    auto setFont = [&](int pixelSize, bool isBold) {
        size = pixelSize;
        bold = isBold;
        font.setPixelSize(pixelSize);
        font.setBold(isBold);
        return QFontMetrics(font).ascent();
    };
    auto line = [&](const QString& text, int baseline, QColor shadow = QColor(255, 255, 255)) { lines.append({ text, size, bold, baseline, shadow }); };
    auto twoLinesCentred = [&](const QString& first, const QString& second) {
        const int ascent = setFont(16, false);
        const int y = height / 2 - ascent / 2;
        line(first, y);
        line(second, y + ascent);
    };

    if (FindingDevices) {
        twoLinesCentred(QStringLiteral("Finding"), QStringLiteral("Drives"));
    } else if (m_scanningFolder) {
        twoLinesCentred(QStringLiteral("Scanning"), QStringLiteral("Folder"));
    } else if (!SelectedDevice) {
        // nothing over the disc
    } else if (Burning) {
        line(QStringLiteral("Burning"), setFont(18, false) + 15);
    } else if (MediaNoAccess) {
        line(QStringLiteral("No Access"), setFont(18, false) + 15);
    } else if (!MediaAvailable) {
        line(QStringLiteral("No Disk"), setFont(18, false) + 15);
    } else if (!MediaAppendable) {
        const int ascent = setFont(18, false);
        line(QStringLiteral("Not"), ascent + 5);
        line(QStringLiteral("Writable"), ascent + 5 + ascent);
    } else if (MediaType == QLatin1String("DRDeviceMediaTypeCDR") || MediaType == QLatin1String("DRDeviceMediaTypeCDRW")
        || MediaType.contains(QLatin1String("DVD"))) {
        const int ascent = setFont(18, true);
        const int y = ascent + 20;
        line(Globals::formatBytes(MediaBlocksAvailable * MediaBlockSize), y);
        line(QStringLiteral("Free"), y + ascent, QColor(200, 200, 200));
        setFont(16, true);
        line(QString::number(MediaSessionCount) + QStringLiteral(" sessions"), height - 30);
    } else {
        const int ascent = setFont(18, false);
        line(QStringLiteral("DVD's Not"), ascent + 5);
        line(QStringLiteral("Supported Yet"), ascent + 5 + ascent);
    }
    return lines;
}

QColor Window1::CanvasTextColor(const QPalette& palette)
{
    // The text lies on the disc picture, which is light whatever the
    // palette: a dark palette's light text would vanish in it, so that text
    // takes the palette's (dark) window colour instead, under the same light
    // shadow.
    return isDark(palette) ? palette.color(QPalette::Window) : palette.color(QPalette::WindowText);
}

void Window1::Canvas1_Paint(QPainter& g)
{
    QFont font = Canvas1->font();
    for (const CanvasLine& l : CanvasLines()) {
        font.setPixelSize(l.size);
        font.setBold(l.bold);
        g.setFont(font);
        // Embossed and centred: a shadow one pixel down and right, then the
        // text in the normal text colour.
        const int x = Canvas1->width() / 2 - g.fontMetrics().horizontalAdvance(l.text) / 2;
        g.setPen(l.shadow);
        g.drawText(x + 1, l.baseline + 1, l.text);
        g.setPen(CanvasTextColor(palette()));
        g.drawText(x, l.baseline, l.text);
    }
}

// --- burn list

bool Window1::CalculateTotal()
{
    return ListBox1->CalculateTotal(MediaBlocksAvailable * MediaBlockSize, *TotalText, [this](const QImage& mark) { SizeWarningCanvas->setBackdrop(mark); });
}

void Window1::CalculateTotalTimer_Action()
{
    (void)CalculateTotal();
    ListBox1->viewport()->update();
}

void Window1::RedrawDiscPicture() { Canvas1->repaint(); }

QString Window1::VolumeName() const { return VolumeNameField->text(); }

void Window1::SetVolumeName(const QString& name) { VolumeNameField->setText(name); }

void Window1::BurnListChanged()
{
    CalculateTotalTimer->start();
    Menu::shared()->RequestUpdate();
}

void Window1::UpdateDatabasePopup(const QString& name) { m_volumePopup->UpdateDatabasePopup(name); }

QString Window1::volumeNameFieldText() const { return VolumeNameField->text(); }

int Window1::databasePopupIndex() const { return DatabasePopup->currentIndex(); }

QString Window1::databasePopupText() const { return DatabasePopup->currentText(); }
