// The burn settings sheet: speed items from the disc's speed list, the
// remembered speed and its fallback, the remembered check boxes, finalize
// forced for a DVD, and what Run() answers for OK, Cancel, Return and Escape.

#include "dialogs/burnsettingswindow.h"
#include "mainwindow/popupmenu.h"
#include "modalanswer.h"
#include "settings/xmlmodule.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <limits>

namespace
{

CFArrayRef speeds(const QVector<double>& values)
{
    QVector<CFObjectRef> items;
    for (double v : values)
        items.append(CFNumber::createFloat(static_cast<float>(v)));
    return CFArray::create(items);
}

QStringList items(const PopupMenu* popup)
{
    QStringList texts;
    for (int i = 0; i < popup->count(); ++i)
        texts << popup->itemText(i);
    return texts;
}

CXMLRef root() { return XMLModule::XMLRoot(); }

// "a,b,c" as a list; "" as the empty list.
QStringList names(const char* commaSeparated)
{
    const QString text = QString::fromLatin1(commaSeparated);
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char(','));
}

} // namespace

class TestBurnSettingsWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { XMLModule::XMLRoot() = std::make_shared<CXML>(); }

    void speedItemText_data()
    {
        QTest::addColumn<double>("speed");
        QTest::addColumn<bool>("dvd");
        QTest::addColumn<QString>("text");
        QTest::newRow("CD 1764") << 1764.0 << false << "11x";
        QTest::newRow("CD 3528") << 3528.0 << false << "21x";
        QTest::newRow("CD 7055") << 7055.0 << false << "40x";
        QTest::newRow("CD 7056 = 40 x 176.4") << 7056.0 << false << "41x";
        QTest::newRow("CD 176.4") << 176.4 << false << "2x";
        QTest::newRow("CD 176") << 176.0 << false << "1x";
        QTest::newRow("CD 0") << 0.0 << false << "1x";
        QTest::newRow("DVD 2770") << 2770.0 << true << "2x";
        QTest::newRow("DVD 5539") << 5539.0 << true << "3x";
        QTest::newRow("DVD 5540") << 5540.0 << true << "4x";
        QTest::newRow("DVD 1384") << 1384.0 << true << "0x";
        QTest::newRow("DVD -1 truncates to 0") << -1.0 << true << "0x";
        QTest::newRow("NaN counts as 0") << std::numeric_limits<double>::quiet_NaN() << false << "1x";
        QTest::newRow("infinity counts as 0") << std::numeric_limits<double>::infinity() << true << "0x";
    }

    void speedItemText()
    {
        QFETCH(double, speed);
        QFETCH(bool, dvd);
        QFETCH(QString, text);
        QCOMPARE(BurnSettingsWindow::SpeedItemText(speed, dvd), text);
    }

    void speedPopup_data()
    {
        QTest::addColumn<bool>("hasList");
        QTest::addColumn<QVector<double>>("list");
        QTest::addColumn<bool>("dvd");
        QTest::addColumn<QString>("remembered"); // "" = absent
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("selected");

        QTest::newRow("no list, first run") << false << QVector<double>() << false << "" << names("1x,max") << 1;
        QTest::newRow("no list, 1x remembered") << false << QVector<double>() << false << "1x" << names("1x,max") << 0;
        QTest::newRow("CD list, default max falls back to last") << true << QVector<double> { 1764, 3528, 7056 } << false << "" << names("11x,21x,41x") << 2;
        QTest::newRow("CD list, 21x remembered") << true << QVector<double> { 1764, 3528, 7056 } << false << "21x" << names("11x,21x,41x") << 1;
        QTest::newRow("CD list without 21x") << true << QVector<double> { 1764, 7056 } << false << "21x" << names("11x,41x") << 1;
        QTest::newRow("DVD list") << true << QVector<double> { 2770, 5540 } << true << "" << names("2x,4x") << 1;
        QTest::newRow("DVD list, 2x remembered") << true << QVector<double> { 2770, 5540 } << true << "2x" << names("2x,4x") << 0;
        QTest::newRow("empty list") << true << QVector<double>() << false << "max" << names("") << -1;
    }

    void speedPopup()
    {
        QFETCH(bool, hasList);
        QFETCH(QVector<double>, list);
        QFETCH(bool, dvd);
        QFETCH(QString, remembered);
        QFETCH(QStringList, texts);
        QFETCH(int, selected);

        if (!remembered.isEmpty())
            root()->SetStringValue(QStringLiteral("Speed"), remembered);
        BurnSettingsWindow sheet(nullptr, hasList ? speeds(list) : CFArrayRef(), dvd);
        QCOMPARE(items(sheet.SpeedPopup), texts);
        QCOMPARE(sheet.SpeedPopup->currentIndex(), selected);
        QCOMPARE(sheet.Choice().SpeedIndex, selected);
        // Opening never replaces a remembered speed by the fallback.
        QCOMPARE(root()->GetStringValue(QStringLiteral("Speed"), QStringLiteral("max")), remembered.isEmpty() ? QStringLiteral("max") : remembered);
    }

    // A speed list entry that is not a number still gets its item, so the
    // items stay in step with the list's positions.
    void oddEntryKeepsPositions()
    {
        const CFArrayRef list = CFArray::create({ CFNumber::create(qint64(1764)), CFString::create(QStringLiteral("fast")), CFNumber::create(7056.0) });
        BurnSettingsWindow sheet(nullptr, list, false);
        QCOMPARE(items(sheet.SpeedPopup), (names("11x,1x,41x")));
    }

    void choosingASpeedIsRemembered()
    {
        BurnSettingsWindow sheet(nullptr, speeds({ 1764, 3528, 7056 }), false);
        sheet.SpeedPopup->SelectIndex(1);
        QCOMPARE(root()->GetStringValue(QStringLiteral("Speed")), QStringLiteral("21x"));
        BurnSettingsWindow next(nullptr, speeds({ 1764, 3528, 7056 }), false);
        QCOMPARE(next.SpeedPopup->currentIndex(), 1);
    }

    void checkBoxes_data()
    {
        QTest::addColumn<bool>("dvd");
        QTest::addColumn<bool>("verify");
        QTest::addColumn<bool>("eject");
        QTest::addColumn<bool>("test");
        QTest::addColumn<bool>("finalize");
        QTest::addColumn<bool>("finalizeEnabled");
        QTest::newRow("CD, first run") << false << true << true << false << false << true;
        QTest::newRow("DVD, first run") << true << true << true << false << true << false;
    }

    void checkBoxes()
    {
        QFETCH(bool, dvd);
        QFETCH(bool, verify);
        QFETCH(bool, eject);
        QFETCH(bool, test);
        QFETCH(bool, finalize);
        QFETCH(bool, finalizeEnabled);
        BurnSettingsWindow sheet(nullptr, CFArrayRef(), dvd);
        QCOMPARE(sheet.VerifyBox->isChecked(), verify);
        QCOMPARE(sheet.EjectCheckbox->isChecked(), eject);
        QCOMPARE(sheet.TestBox->isChecked(), test);
        QCOMPARE(sheet.FinalizeBox->isChecked(), finalize);
        QCOMPARE(sheet.FinalizeBox->isEnabled(), finalizeEnabled);
    }

    // The boxes are stored the moment they change, whatever the answer; the
    // finalize choice never is.
    void boxesRememberedEvenOnCancel()
    {
        root()->SetBooleanValue(QStringLiteral("TestBurn"), true);
        ModalAnswer answer([](QWidget* modal) {
            auto* sheet = qobject_cast<BurnSettingsWindow*>(modal);
            QVERIFY(sheet);
            QVERIFY(sheet->TestBox->isChecked());
            QTest::mouseClick(sheet->VerifyBox, Qt::LeftButton, {}, QPoint(8, 10));
            QTest::mouseClick(sheet->EjectCheckbox, Qt::LeftButton, {}, QPoint(8, 10));
            QTest::mouseClick(sheet->TestBox, Qt::LeftButton, {}, QPoint(8, 10));
            QTest::mouseClick(sheet->FinalizeBox, Qt::LeftButton, {}, QPoint(8, 10));
            QVERIFY(sheet->FinalizeBox->isChecked());
            sheet->PushButton1->click();
        });
        const BurnSettingsChoice choice = BurnSettingsWindow::Run(nullptr, CFArrayRef(), false);
        QVERIFY(answer.answered());
        QVERIFY(!choice.Continue);
        QCOMPARE(root()->GetStringValue(QStringLiteral("Verify")), QStringLiteral("False"));
        QCOMPARE(root()->GetStringValue(QStringLiteral("Eject")), QStringLiteral("False"));
        QCOMPARE(root()->GetStringValue(QStringLiteral("TestBurn")), QStringLiteral("False"));
        QVERIFY(!root()->Values.find(QStringLiteral("Finalize")));

        BurnSettingsWindow next(nullptr, CFArrayRef(), false);
        QVERIFY(!next.VerifyBox->isChecked());
        QVERIFY(!next.EjectCheckbox->isChecked());
        QVERIFY(!next.TestBox->isChecked());
        QVERIFY(!next.FinalizeBox->isChecked());
    }

    void answers_data()
    {
        QTest::addColumn<int>("how"); // 0 OK, 1 Cancel, 2 Return, 3 Escape
        QTest::addColumn<bool>("goesAhead");
        QTest::newRow("OK") << 0 << true;
        QTest::newRow("Cancel") << 1 << false;
        QTest::newRow("Return") << 2 << true;
        QTest::newRow("Escape") << 3 << false;
    }

    void answers()
    {
        QFETCH(int, how);
        QFETCH(bool, goesAhead);
        QWidget mainWindow;
        mainWindow.resize(600, 300);
        mainWindow.show();
        QPointer<QWidget> shown;
        ModalAnswer answer([&](QWidget* modal) {
            auto* sheet = qobject_cast<BurnSettingsWindow*>(modal);
            QVERIFY(sheet);
            shown = sheet;
            QCOMPARE(sheet->windowModality(), Qt::WindowModal);
            QCOMPARE(sheet->parentWidget(), &mainWindow);
            sheet->SpeedPopup->SelectIndex(0);
            switch (how) {
            case 0:
                sheet->OKButton->click();
                break;
            case 1:
                sheet->PushButton1->click();
                break;
            case 2:
                QTest::keyClick(sheet, Qt::Key_Return);
                break;
            default:
                QTest::keyClick(sheet, Qt::Key_Escape);
            }
        });
        const BurnSettingsChoice choice = BurnSettingsWindow::Run(&mainWindow, speeds({ 2770, 5540 }), true);
        QVERIFY(answer.answered());
        QCOMPARE(choice.Continue, goesAhead);
        if (goesAhead) {
            QCOMPARE(choice.SpeedIndex, 0);
            QVERIFY(choice.Verify);
            QVERIFY(choice.Eject);
            QVERIFY(!choice.Test);
            QVERIFY(choice.Finalize); // a DVD is always finalized
        }
        // The sheet is closed, and gone once the event loop has run.
        QVERIFY(!shown || shown->isHidden());
        QTRY_VERIFY(!shown);
    }
};

QTEST_MAIN(TestBurnSettingsWindow)
#include "tst_burnsettingswindow.moc"
