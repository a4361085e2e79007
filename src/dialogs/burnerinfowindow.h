#pragma once

// The burner information sheet: the selected burner's fixed facts (maker,
// product, location, connection, firmware, support level and what it can
// write) from its info dictionary, window-modal over the main window. It only
// displays; OK (or Return, Escape) closes it. There is at most one; closing
// deletes it, so every showing starts with empty value texts.
// Main thread only.

#include "settings/cfobject.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QPushButton;

class BurnerInfoWindow : public QDialog
{
    Q_OBJECT
public:
    explicit BurnerInfoWindow(QWidget* parent = nullptr);

    // Fills the single sheet (made on first use as a child of parent) from
    // info and opens it window-modal over parent. Returns at once.
    static BurnerInfoWindow* ShowInfo(QWidget* parent, const CFDictionaryRef& info);
    // The open sheet, or nullptr.
    [[nodiscard]] static BurnerInfoWindow* current();

    // Fills the value texts from the burner's info dictionary; null does
    // nothing. A field whose key is missing or of another kind keeps its text;
    // the four capability fields stay as they are without a capabilities
    // dictionary and read "NO" for a missing entry in it.
    void setup(const CFDictionaryRef& info);
    // "YES" for a true boolean, "NO" for a false one and for null.
    [[nodiscard]] static QString stringFromCFBool(const CFBooleanRef& value);
    // The text of AccessText for a drive at node whose node belongs to group
    // (may be empty: then the advice is to ask for access).
    [[nodiscard]] static QString noAccessText(const QString& node, const QString& group);

    QGroupBox* GroupBox1 = nullptr;
    QLabel* ManufacturerText = nullptr;
    QLabel* ProductNameText = nullptr;
    QLabel* LocationText = nullptr;
    QLabel* ConnectionMethodText = nullptr;
    QLabel* FirwareText = nullptr;
    QLabel* OSSupportText = nullptr;
    QLabel* UnderrunText = nullptr;
    QLabel* WriteCapableText = nullptr;
    QLabel* WriteCDRText = nullptr;
    QLabel* WriteCDRWText = nullptr;
    QPushButton* PushButton1 = nullptr;
    // Below the group box: for a drive this user may not open, its device
    // node, the node's group and how to get access. Hidden otherwise.
    QLabel* AccessText = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
};
