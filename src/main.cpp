// zt4: a small MP3 player. `zt4 FILE...` adds the files to the playlist, or hands them to
// the zt4 already running in the session and exits; `zt4 --help` tells the options.

#include "app/command_line.h"
#include "decoder/vbmp3_binding.h"
#include "playlist/file_uri.h"
#include "playlist/playlist.h"
#include "qt/hand_over.h"
#include "qt/look.h"
#include "qt/platform_options.h"
#include "qt/player.h"

#include <QApplication>
#include <QDBusConnection>
#include <QLibraryInfo>
#include <QPixmapCache>
#include <QTranslator>

#include <chrono>
#include <climits>
#include <iostream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file arguments as the file system's bytes, made absolute so that another process can
// open them; the names are not decoded, so one that is not UTF-8 keeps its bytes.
std::vector<std::string> absolute(const std::vector<std::string>& args) {
    char cwd[PATH_MAX];
    const std::string folder = getcwd(cwd, sizeof cwd) != nullptr ? cwd : "";
    std::vector<std::string> files;
    for (const std::string& arg : args)
        files.push_back(arg.empty() || arg[0] == '/' || folder.empty() ? arg : folder + "/" + arg);
    return files;
}

// The session bus when the session has one. Without an address libdbus would start a bus
// of its own for the X display, which nobody else would use and outlives the player.
QDBusConnection sessionBus() {
    struct stat socket {};
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
        (runtime.isEmpty() || stat((runtime + "/bus").constData(), &socket) != 0))
        return QDBusConnection(QString());
    return QDBusConnection::sessionBus();
}

// The URIs of the files a running player would take; the others are named on standard
// error.
std::vector<std::string> addableUris(const std::vector<std::string>& files) {
    std::vector<std::string> uris;
    for (const std::string& path : files) {
        if (zt4::CheckAddable(path, std::cerr))
            uris.push_back(zt4::FileUri(path));
    }
    return uris;
}

} // namespace

int main(int argc, char* argv[]) {
    const zt4::CommandLine line = zt4::ReadCommandLine({argv + 1, argv + argc});
    switch (line.action) {
    case zt4::CommandLine::kHelp:
        std::cout << zt4::UsageText();
        return 0;
    case zt4::CommandLine::kVersion:
        std::cout << zt4::VersionText();
        return 0;
    case zt4::CommandLine::kWrong:
        std::cerr << line.wrong << '\n';
        return 2;
    case zt4::CommandLine::kRun:
        break;
    }
    // Qt sees only its own options, so that it takes no file name for one of them.
    std::vector<std::string> toolkit{argv[0]};
    toolkit.insert(toolkit.end(), line.toolkit.begin(), line.toolkit.end());
    std::vector<char*> toolkitArgv;
    for (std::string& arg : toolkit)
        toolkitArgv.push_back(arg.data());
    toolkitArgv.push_back(nullptr);
    int toolkitArgc = int(toolkit.size());
    zt4::qt::setPlatformOptions();
    QApplication application(toolkitArgc, toolkitArgv.data());
    const std::vector<std::string> files = absolute(line.files);
    QDBusConnection bus = sessionBus();
    if (!files.empty() && zt4::qt::PlayerOnBus(bus) &&
        zt4::qt::HandToRunningPlayer(bus, addableUris(files), std::cerr))
        return 0;
    // The dialogs Qt draws (open file, message box) speak Japanese like the rest.
    QTranslator qtbase;
    if (qtbase.load("qtbase_ja", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtbase);
    zt4::qt::installFontSubstitutes();
    // Anything put in Qt's pixmap cache (the window icon is) arms a flush timer that wakes
    // an idle player 30 s later; this small window redraws cheaply without the cache.
    QPixmapCache::setCacheLimit(0);

    zt4::Vbmp3Binding library("libvbmp3.so");
    zt4::qt::Player player(library, [] {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    });
    player.start();
    if (player.driver.ended())
        return 0;
    player.publish(bus);
    player.files.addPaths(files);
    return QApplication::exec();
}
