// The reference for lumora's idle memory: the least a Qt program needs to sit in the tray with
// an icon and a popup menu.
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap picture(22, 22);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setBrush(Qt::darkBlue);
    painter.drawEllipse(1, 1, 20, 20);
    painter.end();
    QMenu menu;
    menu.addAction(QStringLiteral("Configure..."));
    menu.addAction(QStringLiteral("Shut down"), &app, &QCoreApplication::quit);
    QSystemTrayIcon tray{QIcon(picture)};
    tray.setToolTip(QStringLiteral("Bare tray"));
    tray.setContextMenu(&menu);
    tray.show();
    return QApplication::exec();
}
