#include "photobackup/iphotowindow.h"

#include "burnlist/burnlisthost.h"
#include "burnlist/cfiletoburn.h"
#include "burnlist/csuperlist.h"
#include "burnlist/formatbytes.h"
#include "photobackup/imagewellextender.h"
#include "photobackup/loadingsheet.h"
#include "photobackup/monthcalendar.h"
#include "photobackup/prefsmod.h"
#include "photobackup/stripedlistbox.h"
#include "settings/usermessage.h"

#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <QTimer>

namespace {

QPointer<IPhotoWindow>& sharedWindow()
{
    static QPointer<IPhotoWindow> window;
    return window;
}

// Rows listed at once by a selection build, and per timer run after that.
constexpr int kLinesPerCall = 3;
constexpr int kCallsAtOnce = 5;
constexpr int kListBuilderPeriodMs = 100;

QFont pixelFont(const QWidget* widget, int pixels)
{
    QFont font = widget->font();
    font.setPixelSize(pixels);
    return font;
}

template <typename T>
T* control(QWidget* parent, const char* name, QRect bounds)
{
    auto* widget = new T(parent);
    widget->setObjectName(QLatin1String(name));
    widget->setAccessibleName(QLatin1String(name));
    widget->setGeometry(bounds);
    return widget;
}

QLabel* label(QWidget* parent, const char* name, QRect bounds, const QString& text, int pixels)
{
    auto* widget = control<QLabel>(parent, name, bounds);
    widget->setText(text);
    widget->setFont(pixelFont(widget, pixels));
    return widget;
}

// An image well: a sunken frame, its picture centred.
QLabel* imageWell(QWidget* parent, const char* name, QRect bounds)
{
    auto* well = control<QLabel>(parent, name, bounds);
    well->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    well->setAlignment(Qt::AlignCenter);
    return well;
}

// A path as the preferences give it; a leading "~/" is the user's home.
QString expandHome(const QString& path)
{
    if (path.startsWith(QStringLiteral("~/")))
        return QDir::home().filePath(path.mid(2));
    return path;
}

} // namespace

IPhotoWindow* IPhotoWindow::SharedInstance() { return sharedWindow().data(); }

IPhotoWindow* IPhotoWindow::ShowShared(CSuperList* burnList, BurnListHost* host, QWidget* parent)
{
    if (IPhotoWindow* open = sharedWindow()) {
        open->show();
        open->raise();
        open->activateWindow();
        return open;
    }
    QPointer<IPhotoWindow> window = new IPhotoWindow(burnList, host, parent);
    sharedWindow() = window;
    if (!window->Open())
        return nullptr;
    return window;
}

IPhotoWindow::IPhotoWindow(CSuperList* burnList, BurnListHost* host, QWidget* parent)
    : QDialog(parent)
    , m_burnList(burnList)
    , m_host(host)
{
    setObjectName(QStringLiteral("IPhotoWindow"));
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("iPhoto Backup"));
    setFixedSize(580, 563);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setFont(pixelFont(this, 12));
    // Closing (Cancel, Escape, the close box or Add Selected) ends the
    // window; the next showing makes and loads a new one.
    connect(this, &QDialog::finished, this, &QObject::deleteLater);

    // The tabs' controls are children of the window at their window bounds,
    // lying over the tab panel's empty pages; each tab shows its own.
    TabPanel1 = control<QTabWidget>(this, "TabPanel1", { 20, 14, 540, 220 });
    for (const char* tab : { "Backup By Date", "Backup By Roll", "Backup By Album" })
        TabPanel1->addTab(new QWidget(TabPanel1), QLatin1String(tab));

    ImageWell2 = imageWell(this, "ImageWell2", { 126, 53, 142, 170 });
    StaticText1 = label(this, "StaticText1", { 126, 57, 142, 20 }, QStringLiteral("Begin Selection"), 12);
    StaticText1->setAlignment(Qt::AlignCenter);
    StartSelectionDate = control<MonthCalendar>(this, "StartSelectionDate", { 133, 80, 135, 143 });
    ImageWell3 = imageWell(this, "ImageWell3", { 337, 53, 142, 170 });
    StaticText2 = label(this, "StaticText2", { 338, 57, 142, 20 }, QStringLiteral("End Selection"), 12);
    StaticText2->setAlignment(Qt::AlignCenter);
    EndSelectionDate = control<MonthCalendar>(this, "EndSelectionDate", { 345, 80, 135, 143 });

    StaticText3 = label(this, "StaticText3", { 48, 60, 89, 20 }, QStringLiteral("Select Rolls:"), 12);
    StaticText3->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    RollsListbox = control<QListWidget>(this, "RollsListbox", { 149, 60, 356, 152 });
    RollsListbox->setSelectionMode(QAbstractItemView::ExtendedSelection);

    StaticText4 = label(this, "StaticText4", { 38, 60, 99, 20 }, QStringLiteral("Select Albums:"), 12);
    StaticText4->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    AlbumListbox = control<QListWidget>(this, "AlbumListbox", { 149, 60, 356, 152 });
    AlbumListbox->setSelectionMode(QAbstractItemView::ExtendedSelection);

    SelectedGroupbox = control<QGroupBox>(this, "SelectedGroupbox", { 20, 242, 540, 251 });
    SelectedGroupbox->setTitle(QStringLiteral("No Images Selected:"));
    SelectedImagesListbox = control<StripedListBox>(this, "SelectedImagesListbox", { 38, 272, 211, 205 });
    SelectedImagesListbox->setSelectionMode(QAbstractItemView::SingleSelection);
    ImageWell1 = imageWell(this, "ImageWell1", { 261, 269, 283, 212 });

    InfoText = label(this, "InfoText", { 20, 505, 305, 42 }, QString(), 10);
    InfoText->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    PushButton1 = control<QPushButton>(this, "PushButton1", { 366, 523, 69, 20 });
    PushButton1->setText(QStringLiteral("Cancel"));
    PushButton1->setAutoDefault(false);
    AddButton = control<QPushButton>(this, "AddButton", { 447, 523, 113, 20 });
    AddButton->setText(QStringLiteral("Add Selected"));
    AddButton->setDefault(true);

    ListBuilderTimer = new QTimer(this);
    ListBuilderTimer->setObjectName(QStringLiteral("ListBuilderTimer"));
    ListBuilderTimer->setInterval(1000);

    m_tabControls = {
        { ImageWell2, StaticText1, StartSelectionDate, ImageWell3, StaticText2, EndSelectionDate },
        { StaticText3, RollsListbox },
        { StaticText4, AlbumListbox },
    };
    // The frames lie under their labels and calendars.
    ImageWell2->lower();
    ImageWell3->lower();
    TabPanel1->lower();
    SelectedGroupbox->stackUnder(SelectedImagesListbox);
    for (qsizetype tab = 1; tab < m_tabControls.size(); ++tab) {
        for (QWidget* widget : std::as_const(m_tabControls[tab]))
            widget->hide();
    }

    connect(TabPanel1, &QTabWidget::currentChanged, this, &IPhotoWindow::TabPanel1_Change);
    connect(StartSelectionDate, &QCalendarWidget::selectionChanged, this, &IPhotoWindow::BuildSelectionByDates);
    connect(EndSelectionDate, &QCalendarWidget::selectionChanged, this, &IPhotoWindow::BuildSelectionByDates);
    connect(RollsListbox, &QListWidget::itemSelectionChanged, this, &IPhotoWindow::BuildSelectionByRolls);
    connect(AlbumListbox, &QListWidget::itemSelectionChanged, this, &IPhotoWindow::BuildSelectionByAlbums);
    connect(ListBuilderTimer, &QTimer::timeout, this, &IPhotoWindow::ListBuilderTimer_Action);
    connect(SelectedImagesListbox, &QListWidget::itemSelectionChanged, this, &IPhotoWindow::SelectedImagesListbox_Change);
    connect(PushButton1, &QPushButton::clicked, this, &QWidget::close);
    connect(AddButton, &QPushButton::clicked, this, &IPhotoWindow::AddButton_Action);
}

IPhotoWindow::~IPhotoWindow() = default;

void IPhotoWindow::closeEvent(QCloseEvent* event)
{
    // The loader still works with this window; it closes it itself when it
    // fails.
    if (m_loading) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void IPhotoWindow::Fail(int message)
{
    if (m_loadingSheet)
        m_loadingSheet->Finish();
    UserMessage::show(IPhotoLibrary::Message(message));
    m_loading = false;
    close();
}

bool IPhotoWindow::Open()
{
    m_loading = true;
    show();
    m_loadingSheet = new LoadingSheet(this);
    m_loadingSheet->open();

    // A preference file that cannot be read leaves the library as unknown
    // as no preference file at all.
    QString prefsError;
    const bool prefsRead = PrefsMod::InitPreferences(QLatin1String(PhotoAppID), &prefsError);
    const QString root = expandHome(PrefsMod::GetPrefString(QLatin1String(RootDirectoryKey), QStringLiteral("Not Found")));
    if (!prefsRead || root.isEmpty() || !QDir::isAbsolutePath(root) || !QFileInfo::exists(root)) {
        Fail(1);
        return false;
    }
    const QString libraryFolder = QDir::cleanPath(root);
    setWindowTitle(QStringLiteral("Kestrow Photo Backup: ") + QFileInfo(libraryFolder).fileName());

    // Reading and parsing tens of megabytes takes a moment: the work goes to
    // a worker thread while this one keeps the windows drawn. The library
    // object is handed over only after the worker has ended.
    std::unique_ptr<IPhotoLibrary> loaded;
    IPhotoLibrary::LoadError error = IPhotoLibrary::LoadError::None;
    std::unique_ptr<QThread> worker(QThread::create([&loaded, &error, libraryFolder] { loaded = IPhotoLibrary::Load(libraryFolder, &error); }));
    QEventLoop wait;
    connect(worker.get(), &QThread::finished, &wait, &QEventLoop::quit);
    worker->start();
    wait.exec();
    // The application may have been told to quit meanwhile, which ends every
    // event loop: the worker still has to end before its results go.
    worker->wait();

    if (!loaded) {
        Fail(static_cast<int>(error == IPhotoLibrary::LoadError::None ? IPhotoLibrary::LoadError::NotUnderstood : error));
        return false;
    }
    m_library = std::move(loaded);
    InfoText->setText(m_library->InfoText().replace(QChar(13), QChar(10)));
    BuildRollsList();
    BuildAlbumsList();
    m_loadingSheet->Finish();
    m_loading = false;
    return true;
}

void IPhotoWindow::BuildRollsList()
{
    RollsListbox->clear();
    if (!m_library)
        return;
    m_library->BuildRollDictionary();
    for (const CFDictionaryRef& roll : m_library->Rolls()) {
        const auto name = roll->stringValue(QStringLiteral("AlbumName"));
        auto* row = new QListWidgetItem(name ? name->value() : QString());
        row->setData(TagRole, QVariant::fromValue(roll));
        RollsListbox->addItem(row);
    }
}

void IPhotoWindow::BuildAlbumsList()
{
    AlbumListbox->clear();
    if (!m_library)
        return;
    for (const CFDictionaryRef& album : m_library->Albums()) {
        const auto name = album->stringValue(QStringLiteral("AlbumName"));
        auto* row = new QListWidgetItem(name ? name->value() : QString());
        row->setData(TagRole, QVariant::fromValue(album));
        AlbumListbox->addItem(row);
    }
}

QVector<CFDictionaryRef> IPhotoWindow::SelectedTags(const QListWidget* list)
{
    QVector<CFDictionaryRef> tags;
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem* item = list->item(row);
        if (item->isSelected())
            tags.append(item->data(TagRole).value<CFDictionaryRef>());
    }
    return tags;
}

void IPhotoWindow::BuildSelectionByDates()
{
    if (m_library)
        SetSelection(m_library->ImagesByDates(StartSelectionDate->selectedDate(), EndSelectionDate->selectedDate()));
}

void IPhotoWindow::BuildSelectionByRolls()
{
    if (m_library)
        SetSelection(m_library->ImagesOf(SelectedTags(RollsListbox)));
}

void IPhotoWindow::BuildSelectionByAlbums()
{
    if (m_library)
        SetSelection(m_library->ImagesOf(SelectedTags(AlbumListbox)));
}

void IPhotoWindow::SetSelection(QVector<CFDictionaryRef> images)
{
    SelectedImages = std::move(images);
    const double bytes = m_library->TotalBytes(SelectedImages);
    ListBuilderIndex = 0;
    ListBuilderTimer->setSingleShot(true);
    ListBuilderTimer->start(kListBuilderPeriodMs);
    SelectedImagesListbox->clear();
    SelectedGroupbox->setTitle(QString::number(SelectedImages.size()) + QStringLiteral(" Images Selected. ( ") + Globals::formatBytes(bytes)
        + QStringLiteral(" )"));
    for (int i = 0; i < kCallsAtOnce; ++i)
        AddSelectionLines();
}

bool IPhotoWindow::AddSelectionLines()
{
    for (int i = 0; i < kLinesPerCall && ListBuilderIndex < SelectedImages.size(); ++i) {
        const CFDictionaryRef& image = SelectedImages.at(ListBuilderIndex);
        const auto caption = image->stringValue(QStringLiteral("Caption"));
        auto* row = new QListWidgetItem(caption ? caption->value() : QString());
        row->setData(TagRole, QVariant::fromValue(image));
        SelectedImagesListbox->addItem(row);
        ++ListBuilderIndex;
    }
    return ListBuilderIndex < SelectedImages.size();
}

void IPhotoWindow::ListBuilderTimer_Action()
{
    if (AddSelectionLines()) {
        ListBuilderTimer->setSingleShot(true);
        ListBuilderTimer->start(kListBuilderPeriodMs);
    }
}

void IPhotoWindow::TabPanel1_Change(int tab)
{
    for (qsizetype i = 0; i < m_tabControls.size(); ++i) {
        for (QWidget* widget : std::as_const(m_tabControls[i]))
            widget->setVisible(i == tab);
    }
    switch (tab) {
    case 0:
        BuildSelectionByDates();
        break;
    case 1:
        BuildSelectionByRolls();
        break;
    case 2:
        BuildSelectionByAlbums();
        break;
    default:
        break;
    }
}

void IPhotoWindow::SelectedImagesListbox_Change()
{
    const QList<QListWidgetItem*> selected = SelectedImagesListbox->selectedItems();
    if (selected.isEmpty())
        return;
    const auto image = selected.first()->data(TagRole).value<CFDictionaryRef>();
    const auto thumb = image ? image->stringValue(QStringLiteral("ThumbPath")) : nullptr;
    // A missing or unreadable thumbnail shows no preview rather than the
    // previous image's.
    QImage picture;
    if (thumb && !thumb->value().isEmpty()) {
        QImageReader reader(thumb->value());
        reader.setAutoTransform(true);
        picture = reader.read();
    }
    ImagewellExtender::AddScaledImage(ImageWell1, picture);
}

void IPhotoWindow::AddButton_Action()
{
    int leftOut = 0;
    if (m_library && m_burnList) {
        const QVector<IPhotoLibrary::RollFolder> folders = m_library->RollFolders(SelectedImages, &leftOut);
        for (const IPhotoLibrary::RollFolder& folder : folders) {
            const auto item = CFileToBurn::CreateVirtual(folder.name);
            for (const QString& path : folder.paths)
                item->AddItemToVirtualFolder(path);
            item->Scan(m_host);
            m_burnList->AddItemRow(item->GetUniqueID());
        }
    }
    if (m_host) {
        m_host->DoBurnButton();
        m_host->SetScanningFolder(false);
        m_host->RedrawDiscPicture();
        m_host->BurnListChanged();
    }
    if (leftOut > 0) {
        UserMessage::show(leftOut == 1 ? QStringLiteral("1 image was left out because its file is missing or cannot be read.")
                                       : QStringLiteral("%1 images were left out because their files are missing or cannot be read.").arg(leftOut));
    }
    close();
}
