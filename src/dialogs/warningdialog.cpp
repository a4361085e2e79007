#include "dialogs/warningdialog.h"

#include "app/globalpictures.h"
#include "dialogs/cresizecanvas.h"
#include "dialogs/dialogsupport.h"
#include "mainwindow/anchoredlayout.h"
#include "settings/xmlmodule.h"

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

namespace
{

const QString NoWarningKey = QStringLiteral("NoWarning");

} // namespace

WarningDialog::WarningDialog(QWidget* parent)
    : QDialog(parent)
{
    using A = AnchoredLayout::Anchor;
    setObjectName(QStringLiteral("WarningDialog"));
    setWindowTitle(QStringLiteral("Warning"));
    setModal(true);
    setFont(Dialogs::systemFont(12));
    setFixedSize(DesignSize);
    m_layout = new AnchoredLayout(this, DesignSize);

    Canvas1 = new CResizeCanvas(this);
    Canvas1->setObjectName(QStringLiteral("Canvas1"));
    Canvas1->setAccessibleName(QStringLiteral("Caution"));
    Canvas1->onSetPicture([] { return Globals::CDIcon_red(); });
    Canvas1->onNewPaint([this](QPainter& g) { Canvas1->DrawCautionIcon(g); });
    m_layout->place(Canvas1, { 20, 14, 64, 64 }, A::Left | A::Top);

    StaticText1 = new QLabel(QStringLiteral("Label:"), this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setWordWrap(true);
    StaticText1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_layout->place(StaticText1, { 96, 14, 440, 176 }, A::Left | A::Top | A::Right | A::Bottom);

    DontShowCheckbox = new QCheckBox(QStringLiteral("Don't show this again"), this);
    DontShowCheckbox->setObjectName(QStringLiteral("DontShowCheckbox"));
    m_layout->place(DontShowCheckbox, { 20, 202, 157, 20 }, A::Bottom);

    PushButton1 = new QPushButton(QStringLiteral("Do It"), this);
    PushButton1->setObjectName(QStringLiteral("PushButton1"));
    PushButton1->setAutoDefault(false);
    PushButton1->setDefault(true);
    m_layout->place(PushButton1, { 467, 202, 69, 20 }, A::Right | A::Bottom);

    PushButton2 = new QPushButton(QStringLiteral("Cancel"), this);
    PushButton2->setObjectName(QStringLiteral("PushButton2"));
    PushButton2->setAutoDefault(false);
    m_layout->place(PushButton2, { 380, 202, 69, 20 }, A::Right | A::Bottom);

    connect(PushButton1, &QPushButton::clicked, this, [this] { Answer(true); });
    connect(PushButton2, &QPushButton::clicked, this, [this] { Answer(false); });
}

void WarningDialog::Setup(const QString& message, qint32 width, qint32 height, const QString& key)
{
    const QSize size(width, height);
    setFixedSize(size);
    const QRect screen = Dialogs::mainScreenGeometry();
    setGeometry(QRect(screen.topLeft() + Dialogs::centredOnScreen(screen.size(), size), size));
    StaticText1->setText(message);
    MyKey = key;
    DontShowCheckbox->setVisible(key != NoWarningKey);
}

void WarningDialog::Answer(bool value)
{
    // Both answers silence the warning when the box is ticked: from then on
    // it is answered with true.
    if (DontShowCheckbox->isChecked() && !DontShowCheckbox->isHidden() && MyKey != NoWarningKey)
        XMLModule::XMLRoot()->SetBooleanValue(MyKey, true);
    ReturnValue = value;
    if (value)
        QDialog::accept();
    else
        QDialog::reject();
}

void WarningDialog::reject() { Answer(false); }

namespace Globals
{

bool ShowWarningDialog(const QString& message, qint32 width, qint32 height, const QString& key)
{
    if (XMLModule::XMLRoot()->getBooleanValue(key, false))
        return true;

    // Made without a parent: whatever window was in front may be closed by a
    // notification while the user reads this.
    WarningDialog dialog;
    dialog.Setup(message, width, height, key);
    dialog.exec();
    return dialog.ReturnValue;
}

} // namespace Globals
