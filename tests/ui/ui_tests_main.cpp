// Runs one of the window's test suites, named by the first argument (all of them without one), on
// whatever platform QT_QPA_PLATFORM names (offscreen in the test runs).
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <memory>

#include "tests/ui/ui_tests.h"

int main(int argc, char** argv) {
  // Nothing of the user's own: settings and the trash go to a folder of this run, and so does the
  // runtime folder, which Qt would otherwise make in the temporary folder and leave there.
  QTemporaryDir home;
  if (!home.isValid()) qFatal("cannot make a temporary folder: %s", qPrintable(home.errorString()));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/config")));
  qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/data")));
  const QString runtime = home.path() + QStringLiteral("/runtime");
  if (!QDir().mkdir(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
    qFatal("cannot make the runtime folder %s", qPrintable(runtime));
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tagwright"));
  const char* suite = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
  // Qt Test reads the remaining arguments (test function names, -v2, ...).
  std::vector<char*> rest = {argv[0]};
  for (int i = suite != nullptr ? 2 : 1; i < argc; ++i) rest.push_back(argv[i]);
  const int restCount = static_cast<int>(rest.size());

  int failures = 0;
  auto run = [&](const char* name, QObject&& test) {
    if (suite == nullptr || std::strcmp(suite, name) == 0) failures += QTest::qExec(&test, restCount, rest.data());
  };
  run("StartUp", tagwright::testing::TStartUpTest());
  run("SongList", tagwright::testing::TSongListTest());
  run("SongDetails", tagwright::testing::TSongDetailsTest());
  run("KeysAndHints", tagwright::testing::TKeysAndHintsTest());
  run("Commands", tagwright::testing::TCommandsTest());
  run("ColumnView", tagwright::testing::TColumnViewTest());
  run("Parts", tagwright::testing::TPartsTest());
  run("Loading", tagwright::testing::TLoadingTest());
  run("Preview", tagwright::testing::TPreviewTest());
  run("Undo", tagwright::testing::TUndoTest());
  run("Patterns", tagwright::testing::TPatternsTest());
  run("Trust", tagwright::testing::TTrustTest());
  run("EveryView", tagwright::testing::TEveryViewTest());
  return failures == 0 ? 0 : 1;
}
