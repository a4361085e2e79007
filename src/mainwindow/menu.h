#pragma once

// The program's menu bar: one shared object holding every menu item as a
// QAction, made on first use. Each window shows it through a QMenuBar made by
// createMenuBar; the actions are the same objects everywhere.
//
// Enabling: UpdateEnabledStates disables every item except
// FileBackupiPhotoImages and FileQuit, then raises EnableMenuItems so that
// the application, the main window and the burn list enable their own items.
// It runs before a menu opens, when the focus moves, and (coalesced) when a
// window asks through RequestUpdate after a change of its state.
// Main thread only.

#include <QAction>
#include <QHash>
#include <QMenuBar>
#include <QObject>

class Menu : public QObject
{
    Q_OBJECT
public:
    static Menu* shared();

    // The item of that name ("FileNew", "EditClear", ...); nullptr for an unknown name.
    [[nodiscard]] QAction* item(const QString& name) const { return m_items.value(name); }
    [[nodiscard]] QStringList itemNames() const { return m_order; }

    // A menu bar for the window, showing the shared items.
    QMenuBar* createMenuBar(QWidget* window);

    void UpdateEnabledStates();
    // Asks for UpdateEnabledStates once the current event has been handled.
    void RequestUpdate();

    QAction* FileBackupiPhotoImages() const { return item(QStringLiteral("FileBackupiPhotoImages")); }
    QAction* FileNew() const { return item(QStringLiteral("FileNew")); }
    QAction* FileOpen() const { return item(QStringLiteral("FileOpen")); }
    QAction* FileClose() const { return item(QStringLiteral("FileClose")); }
    QAction* FileQuit() const { return item(QStringLiteral("FileQuit")); }
    QAction* EditUndo() const { return item(QStringLiteral("EditUndo")); }
    QAction* EditSelectAll() const { return item(QStringLiteral("EditSelectAll")); }
    QAction* EditCut() const { return item(QStringLiteral("EditCut")); }
    QAction* EditCopy() const { return item(QStringLiteral("EditCopy")); }
    QAction* EditPaste() const { return item(QStringLiteral("EditPaste")); }
    QAction* EditClear() const { return item(QStringLiteral("EditClear")); }
    QAction* AppleAboutKestrow() const { return item(QStringLiteral("AppleAboutKestrow")); }
    QAction* AppleKestrowHomepage() const { return item(QStringLiteral("AppleKestrowHomepage")); }

Q_SIGNALS:
    void EnableMenuItems();

private:
    Menu();
    QAction* add(const QString& name, const QString& text, const QKeySequence& key = {});

    QHash<QString, QAction*> m_items;
    QStringList m_order;
    bool m_updatePending = false;
};
