// A stand-in for an emulator that takes its file only through its own file dialog, as the
// special start operates it: menu-emulator RECORD [--dialog-only] [--preset PATH].
// The File menu opens Qt's own file dialog by &Open (first item), Open &Disk, &Load and F5;
// Enter on the main window takes PATH. The file taken is written to RECORD (whole, by rename),
// then it quits.
#include <QApplication>
#include <QFileDialog>
#include <QMainWindow>
#include <QMenuBar>
#include <QSaveFile>
#include <QShortcut>
#include <QTimer>

namespace {

QString recordPath;

// Written whole by rename: a test waiting for the record never reads it half-written.
void take(const QString& path) {
    QSaveFile out(recordPath);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(path.toUtf8());
        out.commit();
    }
    QCoreApplication::quit();
}

void openDialog(QWidget* parent) {
    auto* dialog = new QFileDialog(parent, QStringLiteral("Open"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::ExistingFile);
    QObject::connect(dialog, &QFileDialog::fileSelected, [](const QString& f) { take(f); });
    dialog->show();
    // As a new dialog gets the focus on a desktop, with or without a window manager.
    QTimer::singleShot(0, dialog, [dialog] { dialog->activateWindow(); });
}

}  // namespace

int main(int argc, char** argv) {
    // Windows' menu bar answers a lone Alt as the emulators expect.
    QApplication::setStyle(QStringLiteral("Windows"));
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) return 2;
    recordPath = args[1];
    if (args.contains(QStringLiteral("--dialog-only"))) {
        openDialog(nullptr);
        return app.exec();
    }
    const qsizetype preset = args.indexOf(QStringLiteral("--preset"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("MenuEmulator"));
    window.resize(400, 300);
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    for (const char* item : {"&Open...", "Open &Disk...", "&Load..."})
        file->addAction(QString::fromLatin1(item), [&window] { openDialog(&window); });
    file->addAction(QStringLiteral("Reopen"), QKeySequence(Qt::Key_F5),
                    [&window] { openDialog(&window); });
    if (preset > 0 && preset + 1 < args.size())
        for (const int key : {Qt::Key_Return, Qt::Key_Enter})
            QObject::connect(new QShortcut(QKeySequence(key), &window), &QShortcut::activated,
                             [p = args[preset + 1]] { take(p); });
    window.show();
    return app.exec();
}
