#pragma once

#include <QObject>
#include <QStringList>

class QLabel;
class QTimer;
class QVBoxLayout;
class QWidget;

namespace quorvel {

// The two bands below the main window's pages: the connection state (working
// offline, or what the return online changed) and the files a delivery left
// out. Each label sits straight in the window's layout, so a hidden band
// takes no room.
class main_notices : public QObject {
    Q_OBJECT
public:
    main_notices(QWidget* window, QVBoxLayout* outer);

    QLabel* connection_notice() const { return notice_; }
    QTimer* notice_timer() const { return notice_timer_; }
    QLabel* refusal_notice() const { return refusal_; }

    // Shows the band and returns its text (the window may pass it on).
    QString show_refused_files(const QStringList& names);
    // The window's title tells the offline state too.
    void show_connection_notice(const QString& news);

private:
    QWidget* window_;
    QLabel* notice_;
    QTimer* notice_timer_;
    QLabel* refusal_;
    QTimer* refusal_timer_;
};

} // namespace quorvel
