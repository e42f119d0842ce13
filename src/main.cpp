// zt4: a small MP3 player. The program reads no arguments of its own; Qt takes its usual
// ones (-platform and the like).

#include "ui/qt/look.h"
#include "ui/qt/player.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QPixmapCache>
#include <QTranslator>

#include <chrono>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // The dialogs Qt draws (open file, message box) speak Japanese like the rest.
    QTranslator qtbase;
    if (qtbase.load("qtbase_ja", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtbase);
    zt4::qt::installFontSubstitutes();
    // Anything put in Qt's pixmap cache (the window icon is) arms a flush timer that wakes
    // an idle player 30 s later; this small window redraws cheaply without the cache.
    QPixmapCache::setCacheLimit(0);

    zt4::qt::Player player("libvbmp3.so", [] {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    });
    player.start();
    return player.app.Ended ? 0 : QApplication::exec();
}
