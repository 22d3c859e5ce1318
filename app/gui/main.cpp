// The tagwright program: the main window, optionally opened on a folder given on the command line.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <cstdio>

#include "ui/about_box.h"
#include "ui/main_window.h"
#include "ui/qt_dialogs.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tagwright"));
  QApplication::setApplicationVersion(QLatin1String(tagwright::kProgramVersion));
  QGuiApplication::setDesktopFileName(QStringLiteral("tagwright"));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Tidies the tags and names of MP3 songs."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("Folder whose songs are listed at start."),
                               QStringLiteral("[FOLDER]"));
  parser.process(application);

  tagwright::TQtDialogs dialogs;
  tagwright::TMainWindow window(dialogs);
  tagwright::TAboutBox hiddenAboutBox;  // made at start, as the window expects, and never shown
  window.show();

  const QStringList folders = parser.positionalArguments();
  if (!folders.isEmpty()) {
    const QString folder = QFileInfo(folders.first()).absoluteFilePath();
    if (!window.SelectFolder(folder)) {
      std::fprintf(stderr, "tagwright: %s is not a folder\n", qPrintable(folders.first()));
    }
  }
  return application.exec();
}
