// The main window's burn workflow: the Burn button's checks and start, the
// burn-status and erase-status notifications, errors and the retry of a burn
// refused because the disc was still mounted; and the Eject, Erase and
// burner information buttons.

#include "app/globalpictures.h"
#include "burner/ccdr.h"
#include "burner/drconstants.h"
#include "burner/discnames.h"
#include "burner/drdevice.h"
#include "burner/drfile.h"
#include "burner/drfolder.h"
#include "burnlist/cfiletoburn.h"
#include "burnlist/csuperlist.h"
#include "burnlist/fileindex.h"
#include "dialogs/burnerinfowindow.h"
#include "dialogs/burnerrorwindow.h"
#include "dialogs/burnfinishedwindow.h"
#include "dialogs/burnsettingswindow.h"
#include "dialogs/burnstatuswindow.h"
#include "dialogs/warningdialog.h"
#include "mainwindow/burndetails.h"
#include "mainwindow/canvas.h"
#include "mainwindow/window1.h"
#include "settings/usermessage.h"
#include "volumeindex/databasemodule.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

// The service's "disc still mounted or drive busy" code, as a signed 32-bit number.
constexpr qint32 BusyCode = static_cast<qint32>(0x80020021u);

const QString OverburnWarning = QStringLiteral(
    "You are trying to burn more data to this disk that it reports as being available. Most disks will \"overburn\" a few meg more than they "
    "show available. Kestrow can attempt an overburn but if it runs out of space you will be left with a useless disk. You can choose to do this "
    "burn, or cancel to remove some files from the list and try again.");
const QString DVDWarning = QStringLiteral("You are about to burn a data DVD. DVD formatting does not allow multiple sessions so this is the only session "
                                          "you will be able to burn to this disk. Click OK to continue or Cancel to go back.");
const QString EraseWarning = QStringLiteral("Erasing this disk will erase ALL sessions and ALL data on it. Are you sure you want to erase this disk?");

} // namespace

void Window1::BurnButton_Action()
{
    if (!SelectedDevice)
        return;
    if (!CalculateTotal() && !Globals::ShowWarningDialog(OverburnWarning, 500, 250, QStringLiteral("NoWarning")))
        return;
    if (MediaIsDVD && !Globals::ShowWarningDialog(DVDWarning, 500, 250, QStringLiteral("DVDWarningKey")))
        return;
    BurnState = 0;
    LastBurnError = false;
    if (!NamesFitTheDisc())
        return;

    const BurnSettingsChoice choice = BurnSettingsWindow::Run(this, BurnSpeeds, MediaIsDVD);
    // The burner may have been deselected while the sheet was up.
    if (!choice.Continue || !SelectedDevice)
        return;

    Burning = true;
    BurnButton->setEnabled(false);
    SelectedDevice->ClearItems();
    for (int row = 0; row < ListBox1->count(); ++row) {
        const std::shared_ptr<CFileToBurn> item = Globals::GetFileByID(ListBox1->item(row)->text());
        if (!item)
            continue;
        if (item->VirtualFolder)
            SelectedDevice->AddVirtualItem(item->GetVirtualFolder());
        else
            SelectedDevice->AddItem(QFileInfo(item->GetFolderitem()));
    }

    OpenStatusWindow();
    Canvas1->setBackdrop(Globals::CDIcon_normal());
    Canvas1->update();
    SelectedDevice->Burn(choice.SpeedIndex, choice.Verify, choice.Eject, choice.Test, choice.Finalize);
}

bool Window1::NamesFitTheDisc()
{
    // The session as the burn will compose it: the items of the list and
    // the volume name with its suffix.
    QVector<DRFSObjectRef> items;
    for (int row = 0; row < ListBox1->count(); ++row) {
        const std::shared_ptr<CFileToBurn> item = Globals::GetFileByID(ListBox1->item(row)->text());
        if (!item)
            continue;
        if (item->VirtualFolder) {
            items.append(item->GetVirtualFolder());
        } else {
            const QFileInfo info(item->GetFolderitem());
            items.append(info.isDir() ? DRFSObjectRef(DRFolder::createReal(info)) : DRFSObjectRef(DRFile::createReal(info)));
        }
    }
    const QString volume = CCDR::ComposeVolumeName(volumeNameFieldText(), databasePopupIndex(), databasePopupText());
    const QVector<DiscNames::Change> changes = DiscNames::check(volume, items);
    if (changes.isEmpty())
        return true;
    return Globals::ShowWarningDialog(DiscNames::warningText(changes), 620, 330, QStringLiteral("NameChangeWarningKey"));
}

void Window1::OpenStatusWindow()
{
    auto* sheet = new BurnStatusWindow(this);
    StatusWindow = sheet;
    connect(sheet, &BurnStatusWindow::Abort, this, &Window1::StatusWindow_Abort);
    sheet->open();
}

void Window1::CloseStatusWindow()
{
    if (StatusWindow) {
        StatusWindow->ProgressBar1->setValue(0);
        StatusWindow->close();
    }
    StatusWindow = nullptr;
}

void Window1::StatusWindow_Abort()
{
    if (BurnRetryTimer->isActive()) {
        // Nothing has been written and no burn is running: the user's abort
        // ends the burn here, and no retry may start one afterwards.
        BurnRetryTimer->stop();
        Burning = false;
        Erasing = false;
        CloseStatusWindow();
        Canvas1->setBackdrop((MediaAppendable && MediaAvailable) ? Globals::CDIcon_normal() : Globals::CDIcon_grey());
        Canvas1->update();
        DoBurnButton();
        CalculateTotalTimer->start();
        return;
    }
    if (SelectedDevice)
        SelectedDevice->Abort();
}

void Window1::SetStatus(const QString& text)
{
    if (StatusWindow)
        StatusWindow->StatusText->setText(text);
}

void Window1::UpdateProgressbar(const CFDictionaryRef& status)
{
    if (!StatusWindow || !status)
        return;
    const CFNumberRef percent = status->numberValue(QStringLiteral("DRStatusPercentCompleteKey"));
    if (!percent)
        return;
    const double p = percent->toDouble();
    if (std::isnan(p))
        return;
    QProgressBar* bar = StatusWindow->ProgressBar1;
    if (p == -1) {
        if (bar->maximum() > 0)
            bar->setMaximum(0);
        return;
    }
    if (bar->maximum() < 100) {
        bar->setValue(0);
        bar->setMaximum(100);
    }
    bar->setValue(static_cast<int>(std::clamp(p, 0.0, 1.0) * 100));
}

void Window1::BurnStatusChanged(const CFDictionaryRef& status)
{
    if (!status)
        return;
    if (status->containsKey(QStringLiteral("DRErrorStatusKey")))
        HandleBurnError(status);
    // Once the burn's error has been reported its sheet is gone, and its
    // later reports, an end included, are no success to announce.
    if (LastBurnError)
        return;

    const CFStringRef stateRef = status->stringValue(QStringLiteral("DRStatusStateKey"));
    const QString state = stateRef ? stateRef->value() : QString();
    static const QList<std::pair<QString, QString>> lines = {
        { QStringLiteral("DRStatusStatePreparing"), QStringLiteral("Preparing Data...") },
        { QStringLiteral("DRStatusStateSessionOpen"), QStringLiteral("Opening Session...") },
        { QStringLiteral("DRStatusStateTrackOpen"), QStringLiteral("Opening Track...") },
        { QStringLiteral("DRStatusStateTrackWrite"), QStringLiteral("Writing data...") },
        { QStringLiteral("DRStatusStateTrackClose"), QStringLiteral("Closing Track...") },
        { QStringLiteral("DRStatusStateSessionClose"), QStringLiteral("Closing Session...") },
        { QStringLiteral("DRStatusStateFinishing"), QStringLiteral("FInishing...") },
        { QStringLiteral("DRStatusStateVerifying"), QStringLiteral("Verifying...") },
    };
    for (const auto& [name, text] : lines) {
        if (state != name)
            continue;
        if (name == QLatin1String("DRStatusStateTrackWrite"))
            BurnState = 1;
        else if (name == QLatin1String("DRStatusStateVerifying"))
            BurnState = 2;
        SetStatus(text);
        UpdateProgressbar(status);
        if (StatusWindow)
            StatusWindow->DetailText->setText(BurnDetails::Text(status, MediaIsDVD));
        return;
    }
    if (state != QLatin1String("DRStatusStateDone"))
        return;

    SetStatus(QStringLiteral("DONE!"));
    if (StatusWindow) {
        CloseStatusWindow();
        // Only while the sheet was still up, so a repeated report counts once.
        (void)DatabaseModule::IncrementVolumeIndex(VolumeNameField->text());
    }
    FinishOperation();
}

void Window1::EraseStatusChanged(const CFDictionaryRef& status)
{
    if (!status)
        return;
    if (status->containsKey(QStringLiteral("DRErrorStatusKey")))
        HandleBurnError(status);
    // As for a burn: a failed erase's later reports are dropped.
    if (LastBurnError)
        return;
    const CFStringRef state = status->stringValue(QStringLiteral("DRStatusStateKey"));
    if (!state || state->value() != QLatin1String("DRStatusStateDone")) {
        UpdateProgressbar(status);
        return;
    }
    SetStatus(QStringLiteral("DONE!"));
    CloseStatusWindow();
    FinishOperation();
}

void Window1::FinishOperation()
{
    Burning = false;
    Erasing = false;
    DoBurnButton();
    CalculateTotalTimer->start();
    BuildPopupTimer->start();
    BurnFinishedWindow::ShowFinished(this, [this] {
        DoBurnButton();
        Canvas1->update();
    });
}

void Window1::HandleBurnError(const CFDictionaryRef& status)
{
    const CFDictionaryRef error = status ? status->dictionaryValue(QStringLiteral("DRErrorStatusKey")) : nullptr;
    if (!error)
        return;
    const CFNumberRef codeRef = error->numberValue(QStringLiteral("DRErrorStatusErrorKey"));
    const qint32 code = codeRef ? static_cast<qint32>(static_cast<quint32>(codeRef->toInt64())) : 0;

    // A burn or erase refused before anything was written because the disc
    // is still mounted is tried again shortly, while the burner layer has
    // udisks2 unmount it. A refusal to unmount comes with another code and
    // is reported like any other error.
    if (code == BusyCode && BurnState == 0 && (Burning || Erasing)) {
        BurnRetryTimer->start();
        SetStatus(QStringLiteral("Waiting for the disk to unmount..."));
        return;
    }
    if (LastBurnError)
        return;
    LastBurnError = true;
    Burning = false;
    Erasing = false;
    BurnRetryTimer->stop();
    Canvas1->setBackdrop(Globals::CDIcon_red());
    Canvas1->update();
    CloseStatusWindow();

    const CFStringRef text = error->stringValue(QStringLiteral("DRErrorStatusErrorStringKey"));
    QString message = text ? text->value() : QString();
    if (error->containsKey(QStringLiteral("DRErrorStatusAdditionalSenseStringKey"))) {
        const CFStringRef sense = error->stringValue(QStringLiteral("DRErrorStatusAdditionalSenseStringKey"));
        message += QStringLiteral(" (") + (sense ? sense->value() : QString()) + QStringLiteral(")");
    }
    TotalText->setText(message);
    BurnErrorWindow::ShowError(this, message);
    QApplication::beep();
    QApplication::beep();
    DoBurnButton();
}

void Window1::BurnRetryTimer_Action()
{
    if (BurnState == 0 && Burning && SelectedDevice)
        SelectedDevice->BurnRetry();
    else if (Erasing && SelectedDevice) {
        SetStatus(QStringLiteral("Begin Erase..."));
        SelectedDevice->Erase();
    }
}

// --- eject, erase, burner information

void Window1::EjectButton_Action()
{
    if (SelectedDevice)
        SelectedDevice->eject();
}

void Window1::EraseButton_Action()
{
    if (!Globals::ShowWarningDialog(EraseWarning, 400, 125, QStringLiteral("nothing")))
        return;
    if (!SelectedDevice) {
        UserMessage::show(QStringLiteral("oops, no device selected to erase."));
        return;
    }
    LastBurnError = false;
    BurnState = 0;
    Erasing = true;
    OpenStatusWindow();
    SetStatus(QStringLiteral("Begin Erase..."));
    SelectedDevice->Erase();
}

void Window1::BurnerInfoButton_Action()
{
    if (!SelectedDevice || !SelectedDevice->MyDRDevice)
        return;
    BurnerInfoWindow::ShowInfo(this, SelectedDevice->MyDRDevice->Info());
}
