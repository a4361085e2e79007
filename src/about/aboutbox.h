#pragma once

// The About window: the program's disc icon, name and version, and the
// address of its home page, which opens in the user's browser when clicked.
// Centred on the main screen when made.
//
// One shared instance, made by ShowShared on first use and brought forward
// when asked for again; it deletes itself when closed (close box or
// File > Close while it is in front). Main thread only.

#include <QPointer>
#include <QUrl>
#include <QWidget>

class Canvas;
class QLabel;

class AboutBox : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize WindowSize { 300, 229 };

    // Brings the open window forward, or makes, centres and shows a new one
    // showing `homepage`.
    static AboutBox* ShowShared(const QUrl& homepage, QWidget* parent = nullptr);
    // The open window, or nullptr.
    static AboutBox* SharedInstance();

    // Where a window of `window` size is centred on a screen of `screen`
    // size: screen / 2 - window / 2 on each axis, integer halves.
    [[nodiscard]] static QPoint CentredPosition(QSize screen, QSize window);

    // The home page address; StaticText2 shows it (a file address as its
    // path), elided in the middle when wider than the link's click area.
    [[nodiscard]] QUrl Homepage() const { return m_homepage; }

    Canvas* CResizeCanvas1 = nullptr;
    QLabel* StaticText1 = nullptr;
    QLabel* VersionText = nullptr;
    QLabel* StaticText2 = nullptr;
    // The link's click area, lying over StaticText2.
    QWidget* Canvas1 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    AboutBox(const QUrl& homepage, QWidget* parent);
    void EnableMenuItems();
    void FileClose();

    QUrl m_homepage;
};
