#pragma once

#include "sync/library_sync.h"

#include <QDialog>
#include <QPointer>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace quorvel {

// Between login and the main window: shows how a library_sync goes and
// offers to stop it. Showing it starts the synchronisation; when that is
// over it says so by `synchronised` and closes. Without a synchronisation
// given, it runs one of its own.
class sync_data_widget : public QDialog {
    Q_OBJECT
public:
    explicit sync_data_widget(QWidget* parent = nullptr);
    explicit sync_data_widget(library_sync* sync, QWidget* parent = nullptr);

    // A window to open once the synchronisation is over, for callers that
    // open the main window no other way (tests, benchmarks).
    using window_factory_t = std::function<QWidget*()>;
    static void set_main_window_factory(window_factory_t factory);

    // The downloads the stickers need (one sticker id is never fetched).
    static QList<download_task_spt> sticker_tasks(const sticker_map_t& stickers) {
        return library_sync::sticker_tasks(stickers);
    }

    int progress() const;
    QString status_text() const;
    QPushButton* stop_button() const { return stop_; }
    bool records_complete() const { return sync_ && sync_->records_complete(); }
    library_sync* synchronisation() const { return sync_; }

signals:
    // The synchronisation is over, right before the dialog closes.
    void synchronised(bool records_complete);
    void update_progress(int progress, QString text);

public slots:
    void on_update_progress(int progress, QString text);
    // The stop button: the rest is skipped and the main window opens.
    void stop_sync();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void on_finished(bool records_complete);

    QPointer<library_sync> sync_;
    QLabel* status_;
    QProgressBar* bar_;
    QPushButton* stop_;
};

} // namespace quorvel
