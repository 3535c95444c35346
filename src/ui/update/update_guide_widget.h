#pragma once

#include "model/records.h"

#include <QDialog>
#include <memory>

class QLabel;
class QProgressBar;
class QToolButton;

namespace quorvel {

namespace platform {
class named_mutex;
}

class batch_download;

// The update offer: release notes, ignore / remind later / update now, and
// the download with progress. A forced update refuses every close, unless
// the offer itself is refused (its signature, version or size): then the
// dialog only says why.
class update_guide_widget : public QDialog {
    Q_OBJECT
public:
    explicit update_guide_widget(const version_update_info_spt& info, QWidget* parent = nullptr);
    ~update_guide_widget() override;

    // Held while the dialog lives: tells the installer an update is on its way.
    void hold_mutex(std::unique_ptr<platform::named_mutex> mutex);

    QLabel* message_label() const { return message_; }
    QProgressBar* progress_bar() const { return progress_; }
    QToolButton* ignore_button() const { return ignore_; }
    QToolButton* later_button() const { return later_; }
    QToolButton* update_button() const { return update_; }
    QToolButton* close_button() const { return close_; }
    QToolButton* website_button() const { return website_; }
    QToolButton* cancel_button() const { return cancel_; }
    const QString& installer_path() const { return installer_; }
    batch_download* download() const { return download_; }
    bool refused() const { return refused_; }

public slots:
    void ignore_current_version();
    void delay_update();
    void update_now();
    void do_update();
    void download_failed();
    void download_progress(QString url, qint64 received_bytes, qint64 total_bytes);
    void visit_website();
    void cancel_download();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QToolButton* add_button(const QString& text);
    void show_offer();
    void refuse(const QString& text);
    bool closable() const;
    void start_download();

    version_update_info_spt info_;
    QString installer_;
    bool refused_ = false;
    batch_download* download_ = nullptr;
    std::unique_ptr<platform::named_mutex> mutex_;
    QLabel* message_;
    QProgressBar* progress_;
    QToolButton* ignore_;
    QToolButton* later_;
    QToolButton* update_;
    QToolButton* close_;
    QToolButton* website_;
    QToolButton* cancel_;
};

// The mutex name the installer looks for while an update dialog is open.
inline constexpr char installer_mutex_name[] = "{2CA65185-0D8D-4E7A-928A-865D7A4D8CD4}";

// Takes the installer mutex and shows the dialog (application-modal, deleted
// on close); null when the mutex cannot be made.
update_guide_widget* open_update_dialog(const version_update_info_spt& info, QWidget* parent);

} // namespace quorvel
