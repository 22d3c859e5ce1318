// The commands that take a pattern or a numbering from a dialog: Tags from File Names, Rename with
// Pattern and Number Tracks. The window asks, remembers the pattern among the recent ones, and runs
// the catalogue's command over the selected songs like any other, preview first as preferred.
#include <string>
#include <vector>

#include "commands/command_catalogue.h"
#include "ui/dialogs/dialogs.h"
#include "ui/settings.h"
#include "ui/window/main_window.h"
#include "ui/window/window_settings.h"

namespace tagwright {

namespace {

// What the pattern box offers before anything was typed: a pattern of the names most folders hold.
QString FirstPattern(TPatternUse use) {
  return use == TPatternUse::TagsFromName ? QStringLiteral("{track} - {artist} - {title}")
                                          : QStringLiteral("{artist} - {title}");
}

// Asks for the pattern in the dialog, the current song giving its example; true with the pattern
// (and the clean-up's choice) in input, and the pattern remembered, when confirmed.
bool AskForPattern(TDialogs& dialogs, TPatternUse use, const TSongFile* current, TCommandInput& input) {
  const QString key = use == TPatternUse::TagsFromName ? TagPatternsKey() : RenamePatternsKey();
  const TCommandId id = use == TPatternUse::TagsFromName ? TCommandId::TagsFromName : TCommandId::RenameWithPattern;
  TPatternQuestion question;
  question.Use = use;
  question.Caption = QString::fromUtf8(CatalogueCommand(id).WindowName);
  question.Recent = window_settings::RecentPatterns(key);
  if (question.Recent.isEmpty()) question.Recent << FirstPattern(use);
  question.Example = current;
  if (!dialogs.AskForPattern(question)) return false;
  window_settings::AddRecentPattern(key, question.Pattern);
  input.Pattern = question.Pattern.toStdString();
  input.CleanupValues = question.CleanupValues;
  return true;
}

}  // namespace

void TMainWindow::TagsFromFileNames() { RunPatternCommand(TCommandId::TagsFromName); }

void TMainWindow::RenameWithPattern() { RunPatternCommand(TCommandId::RenameWithPattern); }

void TMainWindow::RunPatternCommand(TCommandId id) {
  RunGuarded([this, id] {
    if (busy_ > 0 || !HasSelectedSongsOrSay()) return;
    TCommandInput input = CommandInput();
    const TPatternUse use = id == TCommandId::TagsFromName ? TPatternUse::TagsFromName : TPatternUse::Rename;
    if (!AskForPattern(dialogs_, use, SongAtRow(CurrentRow()), input)) return;
    (void)RunCatalogueCommand(id, TPreview::AsPreferred, &input);
  });
}

void TMainWindow::NumberTracks() {
  RunGuarded([this] {
    if (busy_ > 0 || !HasSelectedSongsOrSay()) return;
    TNumberingQuestion question;
    if (!dialogs_.AskForNumbering(question)) return;
    TCommandInput input = CommandInput();
    input.Numbering.Start = question.Start;
    input.Numbering.WithTotal = question.WithTotal;
    // The songs are numbered in the order the list shows them.
    for (const TSongFile* song : SelectedSongs()) input.Numbering.FileNamesInOrder.push_back(song->FileName());
    (void)RunCatalogueCommand(TCommandId::NumberTracks, TPreview::AsPreferred, &input);
  });
}

}  // namespace tagwright
