#pragma once

// A compact month calendar: weeks start on Sunday, no week numbers, days of
// the neighbouring months left blank, the system's localisation for month
// and day names. Main thread only.

#include <QCalendarWidget>

class MonthCalendar : public QCalendarWidget {
    Q_OBJECT
public:
    explicit MonthCalendar(QWidget* parent = nullptr);

protected:
    void paintCell(QPainter* painter, const QRect& rect, QDate date) const override;
};
