#include "mainwindow/menu.h"

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTimer>

Menu* Menu::shared()
{
    // Lives as long as the application; parented to it so it goes with it.
    static QPointer<Menu> menu;
    if (!menu)
        menu = new Menu();
    return menu;
}

Menu::Menu()
    : QObject(QCoreApplication::instance())
{
    add(QStringLiteral("FileBackupiPhotoImages"), QStringLiteral("Backup iPhoto Images..."));
    add(QStringLiteral("FileNew"), QStringLiteral("New"), QKeySequence(Qt::CTRL | Qt::Key_N));
    add(QStringLiteral("FileOpen"), QStringLiteral("Open"), QKeySequence(Qt::CTRL | Qt::Key_O));
    add(QStringLiteral("FileClose"), QStringLiteral("Close"), QKeySequence(Qt::CTRL | Qt::Key_W));
    add(QStringLiteral("FileQuit"), QStringLiteral("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    add(QStringLiteral("EditUndo"), QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z));
    add(QStringLiteral("EditSelectAll"), QStringLiteral("Select All"), QKeySequence(Qt::CTRL | Qt::Key_A));
    add(QStringLiteral("EditCut"), QStringLiteral("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X));
    add(QStringLiteral("EditCopy"), QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    add(QStringLiteral("EditPaste"), QStringLiteral("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V));
    add(QStringLiteral("EditClear"), QStringLiteral("Clear"));
    add(QStringLiteral("AppleAboutKestrow"), QStringLiteral("About Kestrow..."));
    add(QStringLiteral("AppleKestrowHomepage"), QStringLiteral("Kestrow Homepage"));

    FileQuit()->setMenuRole(QAction::QuitRole);
    AppleAboutKestrow()->setMenuRole(QAction::AboutRole);

    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        connect(app, &QApplication::focusChanged, this, &Menu::RequestUpdate);
    UpdateEnabledStates();
}

QAction* Menu::add(const QString& name, const QString& text, const QKeySequence& key)
{
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    if (!key.isEmpty()) {
        action->setShortcut(key);
        // The shortcut belongs to the window that shows the menu bar; text
        // fields keep their own editing keys (they override shortcuts).
        action->setShortcutContext(Qt::WindowShortcut);
    }
    m_items.insert(name, action);
    m_order.append(name);
    return action;
}

QMenuBar* Menu::createMenuBar(QWidget* window)
{
    auto* bar = new QMenuBar(window);
    QMenu* file = bar->addMenu(QStringLiteral("File"));
    file->addAction(FileBackupiPhotoImages());
    file->addAction(FileNew());
    file->addAction(FileOpen());
    file->addAction(FileClose());
    file->addSeparator();
    file->addAction(FileQuit());

    QMenu* edit = bar->addMenu(QStringLiteral("Edit"));
    edit->addAction(EditUndo());
    edit->addSeparator();
    edit->addAction(EditSelectAll());
    edit->addAction(EditCut());
    edit->addAction(EditCopy());
    edit->addAction(EditPaste());
    edit->addAction(EditClear());

    QMenu* help = bar->addMenu(QStringLiteral("Help"));
    help->addAction(AppleAboutKestrow());
    help->addAction(AppleKestrowHomepage());

    for (QMenu* menu : { file, edit, help })
        connect(menu, &QMenu::aboutToShow, this, &Menu::UpdateEnabledStates);

    // The window must own the shortcuts even while its menus are closed.
    for (QAction* action : std::as_const(m_items))
        window->addAction(action);
    return bar;
}

void Menu::UpdateEnabledStates()
{
    m_updatePending = false;
    for (auto it = m_items.cbegin(); it != m_items.cend(); ++it)
        it.value()->setEnabled(false);
    FileBackupiPhotoImages()->setEnabled(true);
    FileQuit()->setEnabled(true);
    Q_EMIT EnableMenuItems();
}

void Menu::RequestUpdate()
{
    if (m_updatePending)
        return;
    m_updatePending = true;
    QTimer::singleShot(0, this, &Menu::UpdateEnabledStates);
}
