// The login dialog on a real X display, saved as a picture for people to look at.
#include "resources/resources.h"
#include "ui/login_widget.h"

#include <QDir>
#include <QScreen>
#include <QtTest>

using namespace quorvel;

class test_login_screenshot : public QObject {
    Q_OBJECT
private slots:
    void login_dialog_on_screen();
};

void test_login_screenshot::login_dialog_on_screen() {
    init_resources();
    QCoreApplication::setApplicationVersion("1.0.0.1");
    login_widget dialog;
    dialog.move(100, 100);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::qWait(300);
    const QPixmap shot =
        dialog.screen()->grabWindow(0, dialog.x(), dialog.y(), dialog.width(), dialog.height());
    QDir().mkpath(QUORVEL_ARTIFACTS);
    const QString path = QStringLiteral(QUORVEL_ARTIFACTS "/login_dialog.png");
    QVERIFY(shot.save(path));
    qInfo("screenshot: %s", qPrintable(path));
    // The blue header band and the white body are where they belong.
    const QImage image = shot.toImage();
    QCOMPARE(image.size(), QSize(430, 370));
    QCOMPARE(QColor(image.pixel(10, 60)), QColor("#1E92FF"));
    QCOMPARE(QColor(image.pixel(215, 360)), QColor(Qt::white));
}

QTEST_MAIN(test_login_screenshot)
#include "test_login_screenshot.moc"
