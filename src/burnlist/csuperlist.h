#pragma once

// The burn list: a list whose rows each hold the identifier of one burn item
// (CFileToBurn, owned by Globals::FileIndex) as their text, drawn by the item
// itself through BurnListDelegate. Files and folders dropped on it from any
// file manager (text/uri-list with file:// addresses) become items.
// Several rows can be selected; the Delete and Backspace keys and EditClear
// remove the selected rows, asking RemovingRow before each one. Removing a
// row takes its item out of the index.
//
// The list reaches its window through a BurnListHost (setHost); without a
// host it works alone (no volume name, no total timer). Main thread only.

#include <QListWidget>

#include <functional>

class BurnListHost;
class QImage;
class QLabel;

class CSuperList : public QListWidget {
    Q_OBJECT

public:
    // Height of every row: room for the 16-pixel icon drawn at y 2 and for a
    // 12-pixel name.
    static constexpr int RowHeight = 20;

    explicit CSuperList(QWidget* parent = nullptr);
    ~CSuperList() override;

    // The window the list reports to; not owned, may be null.
    void setHost(BurnListHost* host);
    [[nodiscard]] BurnListHost* host() const { return m_host; }

    // Asked before each row goes, with the row index (from 0); answering true
    // keeps the row (and its item). Without a handler every row goes.
    using RemovingRowHandler = std::function<bool(int row)>;
    void setRemovingRowHandler(RemovingRowHandler handler);

    // Adds a row for an item already in Globals::FileIndex (the drop handler
    // and the photo backup use it).
    void AddItemRow(const QString& uniqueID);

    // Removes the selected rows, from the last to the first, each unless
    // RemovingRow keeps it.
    void ClearSelected();
    // The same for every row, selected or not (File > New).
    void ClearAll();

    // Menu enabling: Edit > Clear needs a selected row, Edit > Select All a row.
    [[nodiscard]] bool canClear() const;
    [[nodiscard]] bool canSelectAll() const;

    // The total line: the items' bytes and files against the free bytes on
    // the disc. Rows whose item is gone are left out. A total equal to the
    // free space fits.
    struct Total {
        double bytes = 0;
        qint64 files = 0; // each item counts 1 plus the entries inside it
        QString text; // "Total: 1.5k  for 1 files."
        bool fits = true;
    };
    [[nodiscard]] Total ComputeTotal(double freeBytes) const;

    // ComputeTotal, shown: sets `totalText`'s text, colours it dark red
    // (187, 0, 0) when the list does not fit and with the normal text colour
    // when it does, and hands `setWarningMark` the caution icon or a null
    // image. Answers whether the list fits.
    bool CalculateTotal(double freeBytes, QLabel& totalText, const std::function<void(const QImage&)>& setWarningMark) const;

public Q_SLOTS:
    // Edit > Clear: removes the selected rows; the command counts as handled.
    bool EditClear();
    // Edit > Select All: selects every row; reported as not handled.
    bool EditSelectAll();

Q_SIGNALS:
    // The menu's enabled states may have changed (focus, selection, rows).
    void menuEnablingChanged();

protected:
    // Asks the handler; a subclass may decide instead. True keeps the row.
    virtual bool RemovingRow(int row);

    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void addRow(const QString& uniqueID);
    void removeRows(bool selectedOnly);

    BurnListHost* m_host = nullptr;
    RemovingRowHandler m_removingRow;
};
