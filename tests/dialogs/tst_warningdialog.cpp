// The warning dialog: when it is shown and what it answers for each state of
// its settings key, silencing, the "NoWarning" key, Return and Escape, its
// size, margins and placement.

#include "app/globalpictures.h"
#include "dialogs/cresizecanvas.h"
#include "dialogs/dialogsupport.h"
#include "dialogs/warningdialog.h"
#include "modalanswer.h"
#include "settings/xmlmodule.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace
{

const QString Message = QStringLiteral("Erasing this disk will erase ALL sessions and ALL data on it. Are you sure you want to erase this disk?");

enum class Reply { DoIt, Cancel, TickThenDoIt, TickThenCancel, Return, Escape };

void reply(QWidget* modal, Reply how)
{
    auto* dialog = qobject_cast<WarningDialog*>(modal);
    QVERIFY(dialog);
    if (how == Reply::TickThenDoIt || how == Reply::TickThenCancel) {
        // The box may be hidden ("NoWarning"); a tick from code still must not silence it.
        dialog->DontShowCheckbox->setChecked(true);
    }
    switch (how) {
    case Reply::DoIt:
    case Reply::TickThenDoIt:
        QTest::mouseClick(dialog->PushButton1, Qt::LeftButton);
        break;
    case Reply::Cancel:
    case Reply::TickThenCancel:
        QTest::mouseClick(dialog->PushButton2, Qt::LeftButton);
        break;
    case Reply::Return:
        QTest::keyClick(dialog, Qt::Key_Return);
        break;
    case Reply::Escape:
        QTest::keyClick(dialog, Qt::Key_Escape);
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Reply)

class TestWarningDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Globals::BuildPictures(); }
    void init() { XMLModule::XMLRoot() = std::make_shared<CXML>(); }

    // One call, then a second call answered with Cancel: shows whether the
    // first call silenced the key.
    void keys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored"); // "" = absent
        QTest::addColumn<Reply>("reply");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QString>("storedAfter"); // "" = absent
        QTest::addColumn<bool>("shownAgain");

        QTest::newRow("absent, Do It") << "DVDWarningKey"
                                       << "" << Reply::DoIt << true << true << "" << true;
        QTest::newRow("absent, Cancel") << "DVDWarningKey"
                                        << "" << Reply::Cancel << true << false << "" << true;
        QTest::newRow("True: no dialog") << "DVDWarningKey"
                                         << "True" << Reply::Cancel << false << true << "True" << false;
        QTest::newRow("False: shown") << "AbortWarningKey"
                                      << "False" << Reply::DoIt << true << true << "False" << true;
        QTest::newRow("other text: shown") << "nothing"
                                           << "yes" << Reply::DoIt << true << true << "yes" << true;
        QTest::newRow("silenced with Do It") << "nothing"
                                             << "" << Reply::TickThenDoIt << true << true << "True" << false;
        QTest::newRow("silenced with Cancel") << "AbortWarningKey"
                                              << "" << Reply::TickThenCancel << true << false << "True" << false;
        QTest::newRow("NoWarning never silenced") << "NoWarning"
                                                  << "" << Reply::TickThenDoIt << true << true << "" << true;
        QTest::newRow("NoWarning, Cancel") << "NoWarning"
                                           << "" << Reply::TickThenCancel << true << false << "" << true;
        QTest::newRow("Return answers Do It") << "DVDWarningKey"
                                              << "" << Reply::Return << true << true << "" << true;
        QTest::newRow("Escape answers Cancel") << "DVDWarningKey"
                                               << "" << Reply::Escape << true << false << "" << true;
    }

    void keys()
    {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        QFETCH(Reply, reply);
        QFETCH(bool, shown);
        QFETCH(bool, answer);
        QFETCH(QString, storedAfter);
        QFETCH(bool, shownAgain);

        if (!stored.isEmpty())
            XMLModule::XMLRoot()->SetStringValue(key, stored);

        bool checkboxHidden = false;
        ModalAnswer first([&](QWidget* modal) {
            checkboxHidden = qobject_cast<WarningDialog*>(modal)->DontShowCheckbox->isHidden();
            ::reply(modal, reply);
        });
        QCOMPARE(Globals::ShowWarningDialog(Message, 400, 125, key), answer);
        QCOMPARE(first.answered(), shown);
        if (shown)
            QCOMPARE(checkboxHidden, key == QLatin1String("NoWarning"));
        QCOMPARE(XMLModule::XMLRoot()->Values.find(key) ? *XMLModule::XMLRoot()->Values.find(key) : QString(), storedAfter);

        ModalAnswer second([](QWidget* modal) { ::reply(modal, Reply::Cancel); });
        QCOMPARE(Globals::ShowWarningDialog(Message, 400, 125, key), !shownAgain);
        QCOMPARE(second.answered(), shownAgain);
    }

    // The controls keep their distances to the edges they are anchored to.
    void setupKeepsMargins()
    {
        QRect doIt, cancel, box, message, dialogRect;
        QString text;
        ModalAnswer answer([&](QWidget* modal) {
            auto* dialog = qobject_cast<WarningDialog*>(modal);
            dialogRect = dialog->geometry();
            doIt = dialog->PushButton1->geometry();
            cancel = dialog->PushButton2->geometry();
            box = dialog->DontShowCheckbox->geometry();
            message = dialog->StaticText1->geometry();
            text = dialog->StaticText1->text();
            dialog->PushButton2->click();
        });
        QVERIFY(!Globals::ShowWarningDialog(Message, 400, 125, QStringLiteral("nothing")));
        QVERIFY(answer.answered());
        QCOMPARE(dialogRect.size(), QSize(400, 125));
        QCOMPARE(doIt, QRect(311, 85, 69, 20));
        QCOMPARE(cancel, QRect(224, 85, 69, 20));
        QCOMPARE(box, QRect(20, 85, 157, 20));
        QCOMPARE(message, QRect(96, 14, 284, 59));
        QCOMPARE(text, Message);
    }

    void placement_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QSize>("window");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("abort warning") << QSize(1024, 768) << QSize(390, 137) << QPoint(317, 316);
        QTest::newRow("erase warning") << QSize(1024, 768) << QSize(400, 125) << QPoint(312, 322);
        QTest::newRow("odd sizes drop the remainder") << QSize(1025, 769) << QSize(501, 251) << QPoint(262, 259);
    }

    void placement()
    {
        QFETCH(QSize, screen);
        QFETCH(QSize, window);
        QFETCH(QPoint, topLeft);
        QCOMPARE(Dialogs::centredOnScreen(screen, window), topLeft);
    }

    // The dialog really goes where the formula says on the screen at hand.
    void centredOnTheMainScreen()
    {
        QPoint at;
        ModalAnswer answer([&](QWidget* modal) {
            at = modal->geometry().topLeft();
            qobject_cast<WarningDialog*>(modal)->PushButton1->click();
        });
        QVERIFY(Globals::ShowWarningDialog(Message, 390, 137, QStringLiteral("AbortWarningKey")));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(at, screen.topLeft() + Dialogs::centredOnScreen(screen.size(), QSize(390, 137)));
    }

    // The red disc fills the canvas and the caution icon covers its lower right corner.
    void cautionOverCanvas()
    {
        WarningDialog dialog;
        dialog.Setup(Message, 500, 250, QStringLiteral("NoWarning"));
        dialog.Canvas1->Open();
        QCOMPARE(dialog.Canvas1->MyPicture, Globals::CDIcon_red());
        const QImage plain = [&] {
            CResizeCanvas bare;
            bare.resize(64, 64);
            bare.onSetPicture([] { return Globals::CDIcon_red(); });
            bare.Open();
            return bare.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        }();
        const QImage shown = dialog.Canvas1->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(shown.size(), QSize(64, 64));
        // Upper left quarter: the disc alone; lower right quarter: changed by the icon.
        QCOMPARE(shown.copy(0, 0, 32, 32), plain.copy(0, 0, 32, 32));
        QVERIFY(shown.copy(32, 32, 32, 32) != plain.copy(32, 32, 32, 32));
    }
};

QTEST_MAIN(TestWarningDialog)
#include "tst_warningdialog.moc"
