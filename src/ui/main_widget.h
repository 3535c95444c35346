#pragma once

#include <QWidget>

class QLabel;

namespace quorvel {

// For now a plain window that shows what the synchronisation brought in:
// categories, scripts, stickers, documents and phrases per library part.
class main_widget : public QWidget {
    Q_OBJECT
public:
    explicit main_widget(QWidget* parent = nullptr);

    // The summary text, one line per library part.
    static QString library_summary();

private:
    QLabel* summary_;
};

} // namespace quorvel
