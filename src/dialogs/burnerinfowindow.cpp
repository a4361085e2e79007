#include "dialogs/burnerinfowindow.h"

#include "dialogs/dialogsupport.h"
#include "mainwindow/anchoredlayout.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace
{

constexpr QSize DesignSize { 540, 306 };

QPointer<BurnerInfoWindow>& theWindow()
{
    static QPointer<BurnerInfoWindow> window;
    return window;
}

} // namespace

BurnerInfoWindow::BurnerInfoWindow(QWidget* parent)
    : QDialog(parent)
{
    using A = AnchoredLayout::Anchor;
    setObjectName(QStringLiteral("BurnerInfoWindow"));
    setWindowTitle(QStringLiteral("Burner Information"));
    setWindowModality(Qt::WindowModal);
    setFont(Dialogs::systemFont(12));
    setFixedSize(DesignSize);
    auto* layout = new AnchoredLayout(this, DesignSize);

    // The texts are the dialog's children, drawn over the group box, so that
    // their bounds are the window's own coordinates.
    GroupBox1 = new QGroupBox(QStringLiteral("Disk Burner Information:"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    layout->place(GroupBox1, { 20, 14, 500, 234 }, A::Left | A::Top | A::Right);

    auto text = [&](const QString& name, const QString& caption, QRect bounds) {
        auto* label = new QLabel(caption, this);
        label->setObjectName(name);
        label->setTextFormat(Qt::PlainText);
        layout->place(label, bounds);
        if (!caption.isEmpty())
            Dialogs::fitFontToWidth(label);
        return label;
    };
    text(QStringLiteral("StaticText1"), QStringLiteral("Manufacturer:"), { 37, 55, 100, 20 });
    ManufacturerText = text(QStringLiteral("ManufacturerText"), QString(), { 161, 55, 134, 20 });
    text(QStringLiteral("StaticText3"), QStringLiteral("Product Name:"), { 37, 89, 100, 20 });
    ProductNameText = text(QStringLiteral("ProductNameText"), QString(), { 161, 89, 134, 20 });
    text(QStringLiteral("StaticText4"), QStringLiteral("Location:"), { 37, 124, 100, 20 });
    LocationText = text(QStringLiteral("LocationText"), QString(), { 161, 124, 134, 20 });
    text(QStringLiteral("StaticText5"), QStringLiteral("Connection Method:"), { 37, 156, 122, 20 });
    ConnectionMethodText = text(QStringLiteral("ConnectionMethodText"), QString(), { 161, 156, 134, 20 });
    text(QStringLiteral("StaticText6"), QStringLiteral("Firmware Revision:"), { 37, 193, 122, 20 });
    FirwareText = text(QStringLiteral("FirwareText"), QString(), { 161, 193, 134, 20 });
    text(QStringLiteral("StaticText7"), QStringLiteral("OS Supported:"), { 307, 55, 118, 20 });
    OSSupportText = text(QStringLiteral("OSSupportText"), QString(), { 434, 55, 60, 20 });
    text(QStringLiteral("StaticText8"), QStringLiteral("Underrun Protection:"), { 307, 89, 122, 20 });
    UnderrunText = text(QStringLiteral("UnderrunText"), QString(), { 434, 89, 60, 20 });
    text(QStringLiteral("StaticText2"), QStringLiteral("Write Capable:"), { 307, 121, 118, 20 });
    WriteCapableText = text(QStringLiteral("WriteCapableText"), QString(), { 434, 121, 60, 20 });
    text(QStringLiteral("StaticText9"), QStringLiteral("Can Write CDR:"), { 307, 156, 118, 20 });
    WriteCDRText = text(QStringLiteral("WriteCDRText"), QString(), { 434, 156, 60, 20 });
    text(QStringLiteral("AStatic"), QStringLiteral("Can Write CDRW:"), { 307, 193, 118, 20 });
    WriteCDRWText = text(QStringLiteral("WriteCDRWText"), QString(), { 434, 193, 60, 20 });

    PushButton1 = new QPushButton(QStringLiteral("OK"), this);
    PushButton1->setObjectName(QStringLiteral("PushButton1"));
    PushButton1->setAutoDefault(false);
    PushButton1->setDefault(true);
    layout->place(PushButton1, { 451, 271, 69, 20 }, A::Right | A::Bottom);

    AccessText = new QLabel(this);
    AccessText->setObjectName(QStringLiteral("AccessText"));
    AccessText->setTextFormat(Qt::PlainText);
    AccessText->setWordWrap(true);
    AccessText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    AccessText->setFont(Dialogs::systemFont(11));
    AccessText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    AccessText->hide();
    layout->place(AccessText, { 20, 252, 420, 50 }, A::Left | A::Right | A::Bottom);

    connect(PushButton1, &QPushButton::clicked, this, &QWidget::close);
}

BurnerInfoWindow* BurnerInfoWindow::ShowInfo(QWidget* parent, const CFDictionaryRef& info)
{
    if (!theWindow()) {
        theWindow() = new BurnerInfoWindow(parent);
        theWindow()->setAttribute(Qt::WA_DeleteOnClose);
    }
    BurnerInfoWindow* window = theWindow();
    window->setup(info);
    window->open();
    window->raise();
    return window;
}

BurnerInfoWindow* BurnerInfoWindow::current() { return theWindow(); }

QString BurnerInfoWindow::stringFromCFBool(const CFBooleanRef& value) { return value && value->value() ? QStringLiteral("YES") : QStringLiteral("NO"); }

QString BurnerInfoWindow::noAccessText(const QString& node, const QString& group)
{
    if (group.isEmpty())
        return QStringLiteral("You may not open %1. Ask your administrator for read and write access to it.").arg(node);
    return QStringLiteral("You may not open %1: it belongs to the group \"%2\". Join that group (sudo usermod -aG %2 $USER), then log out and log in again.")
        .arg(node, group);
}

void BurnerInfoWindow::setup(const CFDictionaryRef& info)
{
    if (!info)
        return;
    // Vendor and product names can be longer than their fields.
    auto show = [](QLabel* field, const QString& text) {
        field->setFont(Dialogs::systemFont(12));
        field->setText(text);
        Dialogs::fitFontToWidth(field);
    };
    if (const CFStringRef firmware = info->stringValue(QStringLiteral("DRDeviceFirmwareRevisionKey")))
        show(FirwareText, firmware->value());
    if (const CFStringRef interconnect = info->stringValue(QStringLiteral("DRDevicePhysicalInterconnectKey")))
        show(ConnectionMethodText, interconnect->value());
    if (const CFStringRef location = info->stringValue(QStringLiteral("DRDevicePhysicalInterconnectLocationKey"))) {
        show(LocationText,
            location->value() == QLatin1String("DRDevicePhysicalInterconnectLocationInternal") ? QStringLiteral("Internal") : QStringLiteral("External"));
    }
    if (const CFStringRef product = info->stringValue(QStringLiteral("DRDeviceProductNameKey")))
        show(ProductNameText, product->value());
    if (const CFStringRef support = info->stringValue(QStringLiteral("DRDeviceSupportLevelKey")))
        show(OSSupportText, support->value() == QLatin1String("DRDeviceSupportLevelAppleShipping") ? QStringLiteral("YES") : QStringLiteral("beta"));
    if (const CFStringRef vendor = info->stringValue(QStringLiteral("DRDeviceVendorNameKey")))
        show(ManufacturerText, vendor->value());
    if (const CFDictionaryRef capabilities = info->dictionaryValue(QStringLiteral("DRDeviceWriteCapabilitiesKey"))) {
        show(UnderrunText, stringFromCFBool(capabilities->booleanValue(QStringLiteral("DRDeviceCanUnderrunProtectCDKey"))));
        show(WriteCapableText, stringFromCFBool(capabilities->booleanValue(QStringLiteral("DRDeviceCanWriteCDKey"))));
        show(WriteCDRText, stringFromCFBool(capabilities->booleanValue(QStringLiteral("DRDeviceCanWriteCDRKey"))));
        show(WriteCDRWText, stringFromCFBool(capabilities->booleanValue(QStringLiteral("DRDeviceCanWriteCDRWKey"))));
    }
    const CFBooleanRef noAccess = info->booleanValue(QStringLiteral("KestrowDeviceNoAccessKey"));
    if (noAccess && noAccess->value()) {
        const CFStringRef node = info->stringValue(QStringLiteral("KestrowDeviceNodeKey"));
        const CFStringRef group = info->stringValue(QStringLiteral("KestrowDeviceNodeGroupKey"));
        AccessText->setText(noAccessText(node ? node->value() : QStringLiteral("this burner"), group ? group->value() : QString()));
        AccessText->show();
    } else {
        AccessText->clear();
        AccessText->hide();
    }
}

void BurnerInfoWindow::closeEvent(QCloseEvent* event)
{
    QDialog::closeEvent(event);
    // Closing deletes the sheet later; the next showing makes a new one.
    if (event->isAccepted() && theWindow() == this)
        theWindow().clear();
}
