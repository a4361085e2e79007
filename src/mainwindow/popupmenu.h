#pragma once

// A popup menu whose Change signal fires for every selection: a choice by the
// user (even of the item already selected) and a selection made from code
// through SelectIndex. Plain setCurrentIndex stays silent, for rebuilding.

#include <QComboBox>

class PopupMenu : public QComboBox
{
    Q_OBJECT
public:
    explicit PopupMenu(QWidget* parent = nullptr);

    // Selects the item and raises Change, whether or not the index changed.
    void SelectIndex(int index);

Q_SIGNALS:
    void Change();
};

namespace Globals
{

// Selects the first item whose text equals text and answers true (raising the
// popup's Change); answers false and leaves the selection alone when no item
// has that text.
bool SetupPopup(PopupMenu* popup, const QString& text);

} // namespace Globals
