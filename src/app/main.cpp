#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include "core/app/Application.h"
#include "qt/app/CMainFrame.h"
#include "core/settings/ProgramFolder.h"
#include "qt/app/QtHost.h"
#include "qt/app/UnixSignalWatcher.h"

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Romshelf Plus"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/romshelf.png")));
    // Watch for termination first: from here on a signal closes the program the normal way.
    romshelf::UnixSignalWatcher signals;
    bool signalled = false;
    QObject::connect(&signals, &romshelf::UnixSignalWatcher::terminationRequested,
                     [&signalled](int) { signalled = true; });
    // The program speaks Japanese whatever the desktop's language: so do Qt's own dialogs (file
    // pickers, standard buttons). Without the translation installed they stay in English.
    QTranslator qtTranslation;
    if (qtTranslation.load(QStringLiteral("qtbase_ja"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslation);

    romshelf::ProgramFolder folder = romshelf::ProgramFolder::locate();
    romshelf::QtHost ports;
    romshelf::Application app(folder, ports.host());
    app.createFolders();
    // Relative paths in the settings are relative to the program folder.
    if (::chdir(folder.path().c_str()) != 0) return 1;
    app.loadMainSettings();

    romshelf::CMainFrame frame(app);
    ports.windows.setMainWindow(&frame);
    QObject::connect(&signals, &romshelf::UnixSignalWatcher::terminationRequested, &frame,
                     &romshelf::CMainFrame::requestClose);
    if (signalled) frame.requestClose();
    frame.startUp();
    return QApplication::exec();
}
