#pragma once

#include "model/records.h"
#include "sync/cache_manager.h"
#include "ui/widgets/base_dialog.h"

class QLabel;
class QPushButton;

namespace quorvel {

class batch_download;
class scope_choice;
class sticker_category_actions;

// Copies or moves a sticker category to the top level of another scope, then
// lists its stickers there and fetches their files into the cache.
class sticker_transfer_category : public base_dialog {
    Q_OBJECT
public:
    sticker_transfer_category(const category_node_spt& category, bool copy,
                              QWidget* parent = nullptr);
    scope_choice* scopes() const { return scopes_; }
    QPushButton* save_button() const { return save_; }
    QPushButton* retry_button() const { return retry_; }
    QLabel* status() const { return status_; }
    // The scopes a category of that scope may go to.
    static QList<int> targets(int from);

signals:
    void transfer_finished(quorvel::category_node_spt node);

public slots:
    void task_finished(QString uri);
    void task_failed(QString uri, QString err);
    void all_tasks_finished();

private:
    void save();
    void fetch_stickers();
    void download(const QList<download_task_spt>& tasks);
    void show_count();

    category_node_spt category_;
    bool copy_;
    scope_choice* scopes_;
    QPushButton* save_;
    QPushButton* retry_;
    QLabel* status_;
    sticker_category_actions* actions_;
    batch_download* download_;
    category_node_spt placed_;
    QList<download_task_spt> tasks_;
    QList<download_task_spt> failed_;
    int done_ = 0;
};

} // namespace quorvel
