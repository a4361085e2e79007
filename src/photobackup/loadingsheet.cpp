#include "photobackup/loadingsheet.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>

LoadingSheet::LoadingSheet(QWidget* parent)
    : QDialog(parent, Qt::Sheet)
{
    setObjectName(QStringLiteral("LoadingSheet"));
    setWindowModality(Qt::WindowModal);
    setFixedSize(369, 91);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    StaticText1 = new QLabel(QStringLiteral("Loading Data..."), this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    QFont font = StaticText1->font();
    font.setPixelSize(14);
    StaticText1->setFont(font);
    StaticText1->setGeometry(97, 28, 119, 26);

    ChasingArrows1 = new QProgressBar(this);
    ChasingArrows1->setObjectName(QStringLiteral("ChasingArrows1"));
    ChasingArrows1->setAccessibleName(QStringLiteral("ChasingArrows1"));
    ChasingArrows1->setRange(0, 0); // busy
    ChasingArrows1->setTextVisible(false);
    ChasingArrows1->setGeometry(221, 24, 43, 43);
}

void LoadingSheet::Finish()
{
    m_finishing = true;
    done(QDialog::Accepted);
}

void LoadingSheet::reject()
{
    if (m_finishing)
        QDialog::reject();
}

void LoadingSheet::closeEvent(QCloseEvent* event)
{
    if (!m_finishing) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
