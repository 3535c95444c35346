// A stand-in for a chat application, for tests and demos on X11: one main
// window with the class and title of a real chat main window, an input box
// that accepts pasted text, files and the rich-edit format, and a send key.
// Every paste and every sent message is appended as one JSON line to a log.
//
//   standin_chat [--kind wechat|wechat-qt|wecom] [--class CLASS] [--title TITLE]
//                [--send-key enter|ctrl-enter] [--log FILE]
#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>
#include <chrono>

namespace {

const QString rich_format =
    QStringLiteral("application/x-qt-windows-mime;value=\"WeChat_RichEdit_Format\"");

class event_log {
public:
    explicit event_log(const QString& path) : file_(path) {
        if (!path.isEmpty())
            file_.open(QIODevice::Append);
    }
    void write(QJsonObject event) {
        if (!file_.isOpen())
            return;
        // Wall-clock microseconds, so another process can time a delivery.
        event.insert("at_us",
                     QString::number(std::chrono::duration_cast<std::chrono::microseconds>(
                                         std::chrono::system_clock::now().time_since_epoch())
                                         .count()));
        file_.write(QJsonDocument(event).toJson(QJsonDocument::Compact) + '\n');
        file_.flush();
    }

private:
    QFile file_;
};

// The input box: keeps what was pasted until the send key sends it.
class input_box : public QTextEdit {
public:
    input_box(event_log& log, bool ctrl_enter_sends)
        : log_(log), ctrl_enter_sends_(ctrl_enter_sends) {}

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override {
        return source->hasText() || source->hasUrls() || source->hasFormat(rich_format);
    }

    void insertFromMimeData(const QMimeData* source) override {
        QJsonObject event{{"event", "paste"},
                          {"formats", QJsonArray::fromStringList(source->formats())}};
        if (source->hasFormat(rich_format)) {
            const QByteArray rich = source->data(rich_format);
            rich_ += rich;
            event.insert("rich", QString::fromUtf8(rich));
            insertPlainText(QStringLiteral("[图文消息]"));
        } else if (source->hasUrls() && source->urls().first().isLocalFile()) {
            QJsonArray files;
            for (const QUrl& url : source->urls()) {
                files.append(url.toLocalFile());
                files_ << url.toLocalFile();
            }
            event.insert("files", files);
            insertPlainText(QStringLiteral("[文件]"));
        } else {
            text_ += source->text();
            event.insert("text", source->text());
            insertPlainText(source->text());
        }
        log_.write(event);
    }

    void keyPressEvent(QKeyEvent* e) override {
        const bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
        const bool ctrl = e->modifiers() & Qt::ControlModifier;
        if (enter && ctrl == ctrl_enter_sends_) {
            send(ctrl ? "ctrl-enter" : "enter");
            return;
        }
        QTextEdit::keyPressEvent(e);
    }

private:
    void send(const char* key) {
        QJsonArray files;
        for (const QString& f : files_)
            files.append(f);
        log_.write(QJsonObject{{"event", "send"},
                               {"key", key},
                               {"text", text_},
                               {"files", files},
                               {"rich", QString::fromUtf8(rich_)}});
        text_.clear();
        files_.clear();
        rich_.clear();
        clear();
    }

    event_log& log_;
    bool ctrl_enter_sends_;
    QString text_;
    QStringList files_;
    QByteArray rich_;
};

} // namespace

int main(int argc, char* argv[]) {
    // The window class is the application name, so it must be known first.
    QString klass = QStringLiteral("WeChatMainWndForPC");
    QString title = QStringLiteral("微信");
    for (int i = 1; i + 1 < argc; ++i) {
        const QString option = QString::fromLocal8Bit(argv[i]);
        const QString value = QString::fromLocal8Bit(argv[i + 1]);
        if (option == QLatin1String("--kind")) {
            if (value == QLatin1String("wechat-qt"))
                klass = QStringLiteral("Qt51514QWindowIcon");
            else if (value == QLatin1String("wecom")) {
                klass = QStringLiteral("WeWorkWindow");
                title = QStringLiteral("企业微信");
            }
        } else if (option == QLatin1String("--class")) {
            klass = value;
        } else if (option == QLatin1String("--title")) {
            title = value;
        }
    }
    QCoreApplication::setApplicationName(klass);
    QApplication app(argc, argv);

    QCommandLineParser parser;
    for (const char* name : {"kind", "class", "title", "send-key", "log"})
        parser.addOption(
            QCommandLineOption(QLatin1String(name), QString(), QStringLiteral("value")));
    parser.process(app);
    const bool ctrl_enter = parser.value("send-key") == QLatin1String("ctrl-enter");
    event_log log(parser.value("log"));

    QWidget window;
    window.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(
        QStringLiteral("%1 — 发送键：%2").arg(klass, ctrl_enter ? "Ctrl+Enter" : "Enter")));
    auto* box = new input_box(log, ctrl_enter);
    layout->addWidget(box);
    window.resize(640, 480);
    window.show();
    box->setFocus();
    log.write(QJsonObject{{"event", "started"},
                          {"class", klass},
                          {"title", title},
                          {"window", QString::number(window.winId())}});
    return app.exec();
}
