// The least a Qt Widgets program does before its first window shows: the floor that zt4's
// start-up is measured against.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QLabel label("MP3音楽再生");
    label.show();
    return QApplication::exec();
}
