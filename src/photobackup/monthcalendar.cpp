#include "photobackup/monthcalendar.h"

#include <QHeaderView>
#include <QTableView>
#include <QTextCharFormat>
#include <QToolButton>

MonthCalendar::MonthCalendar(QWidget* parent)
    : QCalendarWidget(parent)
{
    setFirstDayOfWeek(Qt::Sunday);
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    setGridVisible(false);
    // The calendar has to fit 135 x 143 pixels: small type throughout. The
    // navigation bar and the day table were given their fonts when they were
    // made, so each part gets the small one itself.
    QFont small = font();
    small.setPixelSize(9);
    setFont(small);
    for (QWidget* part : findChildren<QWidget*>())
        part->setFont(small);
    QFont bold = small;
    bold.setBold(true);
    for (QToolButton* button : findChildren<QToolButton*>()) {
        button->setFont(bold);
        button->setAutoRaise(true);
        button->setIconSize(QSize(9, 9));
    }
    // Every day in the small type, weekends in the colour of the other days.
    QTextCharFormat plain;
    plain.setForeground(palette().text());
    plain.setFont(small);
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day)
        setWeekdayTextFormat(static_cast<Qt::DayOfWeek>(day), plain);
    QTextCharFormat header = headerTextFormat();
    header.setFont(small);
    setHeaderTextFormat(header);
    // Seven columns of 19 pixels: narrower than the header's default least
    // section size.
    for (QTableView* days : findChildren<QTableView*>()) {
        days->horizontalHeader()->setMinimumSectionSize(1);
        days->verticalHeader()->setMinimumSectionSize(1);
    }
}

void MonthCalendar::paintCell(QPainter* painter, const QRect& rect, QDate date) const
{
    if (date.month() != monthShown() || date.year() != yearShown())
        return;
    QCalendarWidget::paintCell(painter, rect, date);
}
