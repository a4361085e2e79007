#include "volumeindex/volumenamepopup.h"

#include "settings/date.h"
#include "settings/xmlmodule.h"
#include "volumeindex/databasemodule.h"

#include <QComboBox>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QTimer>

namespace {

// Items 0 to 2 are the choices that are stored and appended; 3 is the
// separator and 4 the reset item, both present only when the number is above 1.
constexpr int NoneItem = 0;
constexpr int NumberItem = 2;

QString resetItemText()
{
    return QStringLiteral("Reset volume count for this name.");
}

// The one setting of the popup. A value outside 0..2 (a hand-edited file)
// counts as "none".
int storedChoice()
{
    const int choice = XMLModule::XMLRoot()->GetIntegerValue(QStringLiteral("VolumePopup"), NoneItem);
    return choice >= NoneItem && choice <= NumberItem ? choice : NoneItem;
}

void storeChoice(int choice)
{
    XMLModule::XMLRoot()->SetIntegervalue(QStringLiteral("VolumePopup"), choice);
}

} // namespace

VolumeNamePopup::VolumeNamePopup(QLineEdit* volumeNameField, QComboBox* databasePopup, QTimer* buildPopupTimer, QObject* parent)
    : QObject(parent)
    , m_volumeNameField(volumeNameField)
    , m_databasePopup(databasePopup)
    , m_buildPopupTimer(buildPopupTimer)
{
    m_buildPopupTimer->setSingleShot(true);
    m_buildPopupTimer->setInterval(BuildPopupDelay);
    // textChanged, not textEdited: a name set by the program (the first item
    // dropped on the list) must rebuild the popup just like typing.
    connect(m_volumeNameField, &QLineEdit::textChanged, this, &VolumeNamePopup::VolumeNameField_TextChange);
    connect(m_buildPopupTimer, &QTimer::timeout, this, &VolumeNamePopup::BuildPopupTimer_Action);
    connect(m_databasePopup, &QComboBox::currentIndexChanged, this, &VolumeNamePopup::DatabasePopup_Change);
}

VolumeNamePopup::~VolumeNamePopup() = default;

void VolumeNamePopup::UpdateDatabasePopup(const QString& name)
{
    if (!m_databasePopup)
        return;
    // Clearing and refilling the popup moves its current index several times;
    // none of that is the user's choice (see DatabasePopup_Change). The old
    // value comes back afterwards in case a rebuild runs inside another one
    // (a modal database message lets the timer fire).
    const bool wasBuilding = m_buildingDatabasePopup;
    m_buildingDatabasePopup = true;
    const auto restoreFlag = qScopeGuard([this, wasBuilding] { m_buildingDatabasePopup = wasBuilding; });

    int selection = m_databasePopup->currentIndex();
    // The reset item (or the separator) is never kept: the choice handler moves
    // to the number right away, so only a rebuild inside that handler sees it.
    if (selection < NoneItem || selection > NumberItem)
        selection = storedChoice();

    const qint64 next = static_cast<qint64>(DatabaseModule::GetVolumeIndex(name).toDouble());
    const QString dateText = Date::now().ShortDate();
    if (!m_databasePopup)
        return; // the window went away while the database message was shown

    m_databasePopup->clear();
    m_databasePopup->addItem(QStringLiteral("none"));
    m_databasePopup->addItem(dateText);
    m_databasePopup->addItem(u'#' + QString::number(next));
    if (next > 1) {
        m_databasePopup->insertSeparator(m_databasePopup->count());
        m_databasePopup->addItem(resetItemText());
    }
    m_databasePopup->setCurrentIndex(selection);
}

QString VolumeNamePopup::ComposedVolumeName() const
{
    if (!m_volumeNameField || !m_databasePopup)
        return QString();
    const int index = m_databasePopup->currentIndex();
    return ComposeVolumeName(m_volumeNameField->text(), index, m_databasePopup->itemText(index));
}

QString VolumeNamePopup::ComposeVolumeName(const QString& fieldText, int selectedIndex, const QString& selectedText)
{
    // Only the date and the number are suffixes; "none", no selection, and
    // the separator or reset item (never selected at burn time) add nothing.
    if (selectedIndex > NoneItem && selectedIndex <= NumberItem)
        return fieldText + u' ' + selectedText;
    return fieldText;
}

void VolumeNamePopup::VolumeNameField_TextChange()
{
    // start() on a waiting timer starts its period again, so a burst of
    // keystrokes leads to one rebuild, BuildPopupDelay after the last one.
    if (m_buildPopupTimer)
        m_buildPopupTimer->start();
}

void VolumeNamePopup::BuildPopupTimer_Action()
{
    if (m_volumeNameField)
        UpdateDatabasePopup(m_volumeNameField->text());
}

void VolumeNamePopup::DatabasePopup_Change(int index)
{
    if (m_buildingDatabasePopup || index < NoneItem)
        return;
    if (index <= NumberItem) {
        storeChoice(index);
        VolumeNameField_TextChange();
        return;
    }

    // The reset item: forget the number, then show the number item as chosen.
    // That is a choice of the number like any other (stored, rebuilt), handled
    // here directly so it happens exactly once even if the popup already
    // stands on that item.
    if (m_volumeNameField)
        DatabaseModule::ResetVolumeCounter(m_volumeNameField->text());
    if (!m_databasePopup)
        return;
    {
        const QSignalBlocker quiet(m_databasePopup);
        m_databasePopup->setCurrentIndex(NumberItem);
    }
    DatabasePopup_Change(NumberItem);
}
