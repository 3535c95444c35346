#pragma once

#include "model/records.h"
#include "ui/widgets/base_dialog.h"

#include <QList>

class QTreeWidget;
class QPushButton;

namespace quorvel {

// The document picker of the script editor: the category tree with the
// documents of the chosen kind as check boxes.
class select_clouddoc_dialog : public base_dialog {
    Q_OBJECT
public:
    enum mode_t { audio = 0, video = 1, any = 2 };

    explicit select_clouddoc_dialog(int mode, QWidget* parent = nullptr);

    QTreeWidget* tree() const { return tree_; }
    QPushButton* confirm_button() const { return confirm_; }
    static bool lists(int mode, const doc_node_t& doc);
    static selected_file_info_t info_of(const doc_node_t& doc);

signals:
    void selected_files(QList<quorvel::selected_file_info_t> files);

private:
    void confirm();

    int mode_;
    QTreeWidget* tree_;
    QPushButton* confirm_;
};

} // namespace quorvel
