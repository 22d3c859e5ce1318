// The tagwright program: the main window, optionally opened on a folder given on the command line.
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <memory>

#include "app/memory_reuse.h"
#include "app/open_files.h"
#include "history/history.h"
#include "history/history_undo.h"
#include "tagwright/version.h"
#include "ui/dialogs/qt_dialogs.h"
#include "ui/text_conversion.h"
#include "ui/window/about_box.h"
#include "ui/window/main_window.h"
#include "ui/window/preferences.h"
#include "ui/window/window_settings.h"

namespace {

void DescribeProgram() {
  QCoreApplication::setApplicationName(QStringLiteral("Tagwright"));
  QCoreApplication::setApplicationVersion(QLatin1String(tagwright::kProgramVersion));
}

void AddOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription(QStringLiteral("Tidies the tags and names of MP3 songs."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("Folder whose songs are listed at start."),
                               QStringLiteral("[FOLDER]"));
}

// True when the command line asks only for text (help or version): those are answered without a
// window system, so that they work on a console, over ssh and for help2man.
bool AsksForText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (std::strcmp(argument, "--") == 0) return false;
    for (const char* text : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
      if (std::strcmp(argument, text) == 0) return true;
    }
  }
  return false;
}

// Prints the help or the version and returns the exit status, with no window system opened.
int AnswerWithText(int argc, char** argv) {
  QCoreApplication core(argc, argv);
  DescribeProgram();
  QCommandLineParser parser;
  AddOptions(parser);
  // Options of the window system (such as -platform) are not known here; they do not stop the answer.
  parser.parse(QCoreApplication::arguments());
  if (parser.isSet(QStringLiteral("version"))) {
    std::printf("%s\n", tagwright::kProgramNameAndVersion);
    return 0;
  }
  if (parser.isSet(QStringLiteral("help-all"))) parser.process(core);  // prints Qt's options too, exits 0
  parser.showHelp(0);
}

// The argument as the shell gave it: a folder name need not be UTF-8, and Qt's decoded arguments
// would lose the bytes that are not.
std::string ArgumentBytes(int argc, char** argv, const QString& decoded) {
  for (int i = 1; i < argc; ++i) {
    if (QString::fromLocal8Bit(argv[i]) == decoded) return argv[i];
  }
  return decoded.toLocal8Bit().toStdString();
}

std::string AbsolutePath(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) return path;
  std::string normal = absolute.lexically_normal().string();
  while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return normal;
}

// The history of the commands' changes ($TAGWRIGHT_HISTORY, or in $XDG_STATE_HOME), with what an
// interrupted run left repaired; what the repair found goes to repairText, for the window's
// message panel (never a box to dismiss before the folder shows). Null, after saying why (also in
// failure), when it cannot be opened.
std::unique_ptr<tagwright::THistory> OpenHistory(tagwright::TDialogs& dialogs, std::string& failure,
                                                 std::string& repairText) {
  using namespace tagwright;
  const auto tell = [&](TMsgDlgType type, const std::string& text) {
    dialogs.MessageDlg(type, QStringLiteral("Tagwright"), QString::fromStdString(text), TMsgDlgButton::OK);
  };
  const std::string path = DefaultHistoryPath();
  if (path.empty()) {
    failure =
        "The history cannot be opened, so no file is changed: neither XDG_STATE_HOME nor HOME names a folder "
        "to keep it in (TAGWRIGHT_HISTORY can name its file).";
    tell(TMsgDlgType::Error, failure);
    return nullptr;
  }
  TResultOf<std::unique_ptr<THistory>> opened = THistory::Open(path);
  if (!opened) {
    failure = "The history cannot be opened, so no file is changed: " + opened.Failure().DescribeWithError();
    tell(TMsgDlgType::Error, failure);
    return nullptr;
  }
  std::unique_ptr<THistory> history = std::move(opened.Value());
  for (const std::string& notice : history->Notices()) tell(TMsgDlgType::Warning, notice);
  TResultOf<TRepairReport> repaired = RepairInterrupted(*history);
  if (!repaired) {
    tell(TMsgDlgType::Error, "The history could not be repaired: " + repaired.Failure().DescribeWithError());
  } else {
    std::string& text = repairText;
    if (repaired.Value().Repaired > 0) text = RepairMessage(repaired.Value().Repaired);
    for (const std::string& problem : repaired.Value().Problems) text += (text.empty() ? "" : "; ") + problem;
    for (const std::string& note : repaired.Value().Notes) text += (text.empty() ? "" : "; ") + note;
  }
  return history;
}

}  // namespace

int main(int argc, char** argv) {
  tagwright::KeepFreedMemory();
  tagwright::AllowOpenFilesForBatches();
  if (AsksForText(argc, argv)) return AnswerWithText(argc, argv);

  QApplication application(argc, argv);
  DescribeProgram();
  QGuiApplication::setDesktopFileName(QStringLiteral("org.tagwright.Tagwright"));

  QCommandLineParser parser;
  AddOptions(parser);
  parser.process(application);

  tagwright::TQtDialogs dialogs;
  std::string historyFailure;
  std::string repairText;
  // The history outlives the window.
  const std::unique_ptr<tagwright::THistory> history = OpenHistory(dialogs, historyFailure, repairText);
  tagwright::TMainWindow window(dialogs);
  if (!repairText.empty()) window.SetStatusText(QString::fromStdString(repairText));
  if (!history) window.RefuseChangesWithoutHistory(historyFailure);
  window.UseHistory(history.get());
  tagwright::TAboutBox hiddenAboutBox;  // made at start, as the window expects, and never shown
  window.show();

  const QStringList folders = parser.positionalArguments();
  if (!folders.isEmpty()) {
    const std::string folder = AbsolutePath(ArgumentBytes(argc, argv, folders.first()));
    if (!window.OpenStartFolder(folder)) std::fprintf(stderr, "tagwright: %s is not a folder\n", folder.c_str());
  } else if (tagwright::LoadPreferences().ReopenLastFolder) {
    const QStringList recent = tagwright::window_settings::RecentFolders();
    if (!recent.isEmpty()) (void)window.OpenStartFolder(tagwright::QStringToPath(recent.first()));
  }
  return QApplication::exec();
}
