#include "dialogs/burnsettingswindow.h"

#include "dialogs/dialogsupport.h"
#include "mainwindow/popupmenu.h"
#include "settings/xmlmodule.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <cmath>

namespace
{

QPointer<BurnSettingsWindow>& theSheet()
{
    static QPointer<BurnSettingsWindow> sheet;
    return sheet;
}

} // namespace

BurnSettingsWindow::BurnSettingsWindow(QWidget* parent, CFArrayRef burnSpeeds, bool mediaIsDVD)
    : QDialog(parent)
    , m_burnSpeeds(std::move(burnSpeeds))
    , m_mediaIsDVD(mediaIsDVD)
{
    setObjectName(QStringLiteral("BurnSettingsWindow"));
    setWindowTitle(QStringLiteral("Burn Settings"));
    setWindowModality(Qt::WindowModal);
    setFont(Dialogs::systemFont(12));
    setFixedSize(310, 237);

    StaticText1 = new QLabel(QStringLiteral("Burn Speed:"), this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setGeometry(20, 14, 85, 20);
    Dialogs::fitFontToWidth(StaticText1);

    SpeedPopup = new PopupMenu(this);
    SpeedPopup->setObjectName(QStringLiteral("SpeedPopup"));
    SpeedPopup->setAccessibleName(QStringLiteral("Burn Speed"));
    SpeedPopup->addItem(QStringLiteral("1x"));
    SpeedPopup->addItem(QStringLiteral("max"));
    SpeedPopup->setGeometry(100, 14, 73, 20);

    VerifyBox = makeRememberedBox(QStringLiteral("VerifyBox"), QStringLiteral("Verify after burn."), { 36, 46, 173, 20 }, QStringLiteral("Verify"), true);
    EjectCheckbox = makeRememberedBox(QStringLiteral("EjectCheckbox"), QStringLiteral("Eject when done."), { 36, 78, 173, 20 }, QStringLiteral("Eject"), true);
    TestBox = makeRememberedBox(QStringLiteral("TestBox"), QStringLiteral("Test only, don't burn."), { 36, 110, 173, 20 }, QStringLiteral("TestBurn"), false);

    FinalizeBox = new QCheckBox(QStringLiteral("Finalize Disk After This Burn"), this);
    FinalizeBox->setObjectName(QStringLiteral("FinalizeBox"));
    FinalizeBox->setGeometry(36, 147, 199, 20);

    PushButton1 = new QPushButton(QStringLiteral("Cancel"), this);
    PushButton1->setObjectName(QStringLiteral("PushButton1"));
    PushButton1->setAutoDefault(false);
    PushButton1->setGeometry(140, 197, 69, 20);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setAutoDefault(false);
    OKButton->setDefault(true);
    OKButton->setGeometry(221, 197, 69, 20);

    connect(OKButton, &QPushButton::clicked, this, [this] { Answer(true); });
    connect(PushButton1, &QPushButton::clicked, this, [this] { Answer(false); });

    SpeedPopup_Open();
    connect(SpeedPopup, &PopupMenu::Change, this, &BurnSettingsWindow::SpeedPopup_Change);

    // A data DVD takes one session only, so its burn always closes it.
    if (m_mediaIsDVD) {
        FinalizeBox->setChecked(true);
        FinalizeBox->setEnabled(false);
    } else {
        FinalizeBox->setEnabled(true);
    }
}

QCheckBox* BurnSettingsWindow::makeRememberedBox(const QString& name, const QString& caption, QRect bounds, const QString& key, bool defaultValue)
{
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(name);
    box->setGeometry(bounds);
    box->setChecked(XMLModule::XMLRoot()->getBooleanValue(key, defaultValue));
    connect(box, &QCheckBox::toggled, this, [key](bool checked) { XMLModule::XMLRoot()->SetBooleanValue(key, checked); });
    return box;
}

QString BurnSettingsWindow::SpeedItemText(double kilobytesPerSecond, bool mediaIsDVD)
{
    const double s = std::isfinite(kilobytesPerSecond) ? kilobytesPerSecond : 0.0;
    // CD 1x is 176.4 = 882 / 5 kilobytes per second. Dividing s * 5 by 882
    // keeps exact multiples exact, so 7056 (40 x 176.4) is 40 before the +1,
    // where s / 176.4 in binary floating point could land just below it.
    const double n = mediaIsDVD ? std::trunc(s / 1385.0) : std::trunc(s * 5.0 / 882.0) + 1.0;
    // + 0.0 turns a negative zero into zero, so it never reads "-0x".
    return QString::number(n + 0.0, 'f', 0) + QLatin1Char('x');
}

void BurnSettingsWindow::BuildSpeedPopup()
{
    if (!m_burnSpeeds)
        return;
    SpeedPopup->clear();
    // One item per entry, so that an item's index is the entry's position in
    // the list, which the burn uses to pick the speed.
    for (const CFObjectRef& entry : m_burnSpeeds->values()) {
        const CFNumberRef number = cf_cast<CFNumber>(entry);
        SpeedPopup->addItem(SpeedItemText(number ? number->toDouble() : 0.0, m_mediaIsDVD));
    }
}

void BurnSettingsWindow::SpeedPopup_Open()
{
    BuildSpeedPopup();
    const QString remembered = XMLModule::XMLRoot()->GetStringValue(QStringLiteral("Speed"), QStringLiteral("max"));
    if (!Globals::SetupPopup(SpeedPopup, remembered)) {
        // Quietly: the remembered speed stays stored for the disc that offers it.
        SpeedPopup->setCurrentIndex(SpeedPopup->count() - 1);
    }
}

void BurnSettingsWindow::SpeedPopup_Change()
{
    if (SpeedPopup->currentIndex() >= 0)
        XMLModule::XMLRoot()->SetStringValue(QStringLiteral("Speed"), SpeedPopup->currentText());
}

BurnSettingsChoice BurnSettingsWindow::Choice() const
{
    return { Continue, SpeedPopup->currentIndex(), VerifyBox->isChecked(), EjectCheckbox->isChecked(), TestBox->isChecked(), FinalizeBox->isChecked() };
}

void BurnSettingsWindow::Answer(bool goAhead)
{
    Continue = goAhead;
    if (goAhead)
        QDialog::accept();
    else
        QDialog::reject();
}

void BurnSettingsWindow::reject() { Answer(false); }

BurnSettingsChoice BurnSettingsWindow::Run(QWidget* parent, const CFArrayRef& burnSpeeds, bool mediaIsDVD)
{
    if (theSheet()) {
        theSheet()->raise();
        return {};
    }
    // Not WA_DeleteOnClose: answering hides the sheet and would delete it
    // before its values are read.
    QPointer<BurnSettingsWindow> sheet = new BurnSettingsWindow(parent, burnSpeeds, mediaIsDVD);
    theSheet() = sheet;
    sheet->exec();
    if (!sheet)
        return {};
    const BurnSettingsChoice choice = sheet->Choice();
    theSheet().clear();
    sheet->hide();
    sheet->deleteLater();
    return choice;
}
