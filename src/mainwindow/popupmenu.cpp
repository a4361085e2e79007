#include "mainwindow/popupmenu.h"

#include <QSignalBlocker>

PopupMenu::PopupMenu(QWidget* parent)
    : QComboBox(parent)
{
    // activated() comes for every choice the user makes, also of the item
    // that is already selected.
    connect(this, &QComboBox::activated, this, [this](int) { Q_EMIT Change(); });
}

void PopupMenu::SelectIndex(int index)
{
    {
        const QSignalBlocker quiet(this);
        setCurrentIndex(index);
    }
    Q_EMIT Change();
}

namespace Globals
{

bool SetupPopup(PopupMenu* popup, const QString& text)
{
    for (int i = 0; i < popup->count(); ++i) {
        if (popup->itemText(i) == text) {
            popup->SelectIndex(i);
            return true;
        }
    }
    return false;
}

} // namespace Globals
