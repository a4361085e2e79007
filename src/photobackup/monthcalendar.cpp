#include "photobackup/monthcalendar.h"

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
    // The calendar has to fit 135 x 143 pixels: small type throughout.
    QFont small = font();
    small.setPixelSize(9);
    setFont(small);
    // Weekends in the same colour as the other days.
    QTextCharFormat plain;
    plain.setForeground(palette().text());
    setWeekdayTextFormat(Qt::Saturday, plain);
    setWeekdayTextFormat(Qt::Sunday, plain);
    // The month and year buttons and the arrows of the navigation bar take
    // the least room they can.
    for (QToolButton* button : findChildren<QToolButton*>()) {
        button->setAutoRaise(true);
        button->setIconSize(QSize(10, 10));
    }
}

void MonthCalendar::paintCell(QPainter* painter, const QRect& rect, QDate date) const
{
    if (date.month() != monthShown() || date.year() != yearShown())
        return;
    QCalendarWidget::paintCell(painter, rect, date);
}
