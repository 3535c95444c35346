#include "ui/main_notices.h"

#include "net/connection_state.h"
#include "session/offline_session.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace quorvel {

main_notices::main_notices(QWidget* window, QVBoxLayout* outer)
    : QObject(window), window_(window), notice_(new QLabel(window)),
      notice_timer_(new QTimer(this)), refusal_(new QLabel(window)),
      refusal_timer_(new QTimer(this)) {
    notice_->setWordWrap(true);
    notice_->setTextFormat(Qt::PlainText);
    outer->addWidget(notice_);
    // The return online is news, not a state: its band goes by itself.
    notice_timer_->setSingleShot(true);
    notice_timer_->setInterval(15000);
    connect(notice_timer_, &QTimer::timeout, notice_, &QWidget::hide);
    connect(&connection_state::instance(), &connection_state::offline_changed, this,
            [this] { show_connection_notice(QString()); });
    connect(&offline_session::instance(), &offline_session::reconnected, this,
            &main_notices::show_connection_notice);
    // A window opened by the return online tells what that return changed.
    show_connection_notice(offline_session::instance().change_summary());

    refusal_->setWordWrap(true);
    refusal_->setTextFormat(Qt::PlainText); // the names come from scripts
    refusal_->setStyleSheet(QStringLiteral("color: white; background-color: #C0392B;"));
    refusal_->hide();
    outer->addWidget(refusal_);
    refusal_timer_->setSingleShot(true);
    refusal_timer_->setInterval(15000);
    connect(refusal_timer_, &QTimer::timeout, refusal_, &QWidget::hide);
}

QString main_notices::show_refused_files(const QStringList& names) {
    const QString text = QStringLiteral("未发送“%1”：只发送从服务器下载到本地缓存的文件，"
                                        "本机其他位置的文件不会发送")
                             .arg(names.join(QStringLiteral("”、“")));
    refusal_->setText(text);
    refusal_->show();
    refusal_timer_->start();
    return text;
}

void main_notices::show_connection_notice(const QString& news) {
    const bool offline = connection_state::instance().offline();
    if (offline) {
        notice_->setStyleSheet(QStringLiteral("color: white; background-color: #D9822B;"));
        notice_->setText(news.isEmpty() ? QStringLiteral("离线使用中：服务器暂时无法连接，"
                                                         "可浏览和发送，修改需连接后进行")
                                        : news);
    } else {
        notice_->setStyleSheet(QStringLiteral("color: white; background-color: #2E9E5B;"));
        notice_->setText(QStringLiteral("已重新连接服务器：") + news);
    }
    notice_->setVisible(offline || !news.isEmpty());
    if (!offline && !news.isEmpty())
        notice_timer_->start();
    else
        notice_timer_->stop();
    window_->setWindowTitle(offline ? QStringLiteral("Quorvel（离线）")
                                    : QStringLiteral("Quorvel"));
}

} // namespace quorvel
