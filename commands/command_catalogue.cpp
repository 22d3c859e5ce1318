#include "commands/command_catalogue.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <string_view>

#include "commands/pattern_plans.h"
#include "files/paths.h"
#include "songs/name_pattern.h"

#include "commands/song_trash.h"

namespace tagwright {

namespace {

// A planner that reads the file's tags and goes by nothing the listing read.
TSongPlanner TagsOnlyPlanner(std::function<TSongChange(const TID3Info& tags)> plan) {
  TSongPlanner planner{TTagsNeeded::Yes,
                       [plan = std::move(plan)](const TSongFile&, const TID3Info& tags) { return plan(tags); }};
  planner.ListedDetails = TListedDetails::Unused;
  return planner;
}

TSongPlanner AutoRenamePlanner(const TCommandInput& /*input*/) {
  return {TTagsNeeded::No, [](const TSongFile& song, const TID3Info&) { return PlanAutoRename(song); }};
}

TSongPlanner FileNameAsTitlePlanner(const TCommandInput& /*input*/) { return {TTagsNeeded::Yes, PlanFileNameAsTitle}; }

TSongPlanner DetailsCleanupPlanner(const TCommandInput& input) {
  return {TTagsNeeded::Yes, [options = input.Tidy](const TSongFile& song, const TID3Info& tags) {
            return PlanDetailsCleanupKeeping(song, tags, options);
          }};
}

TSongPlanner HandsFreePlanner(const TCommandInput& input) {
  return {TTagsNeeded::No,
          [options = input.Tidy](const TSongFile& song, const TID3Info&) { return PlanHandsFree(song, options); }};
}

TSongPlanner StampRecognizedPlanner(const TCommandInput& /*input*/) { return {TTagsNeeded::Yes, PlanStampRecognized}; }

TSongPlanner ClearFieldPlanner(const TCommandInput& input) {
  return {TTagsNeeded::Yes,
          [field = input.Field](const TSongFile&, const TID3Info& tags) { return PlanClearTagField(tags, field); }};
}

TSongPlanner StampGivenFieldsPlanner(const TCommandInput& input) {
  return TagsOnlyPlanner([fields = input.Fields](const TID3Info& tags) { return PlanStampEditedFields(tags, fields); });
}

TSongPlanner StampPanelPlanner(const TCommandInput& input) {
  return {TTagsNeeded::Yes, [panel = input.Panel, songs = input.Songs](const TSongFile&, const TID3Info& tags) {
            return PlanStampFromPanel(tags, panel, songs);
          }};
}

TSongPlanner StampEditedCellsPlanner(const TCommandInput& input) {
  return {TTagsNeeded::Yes, [edits = input.Edits](const TSongFile& song, const TID3Info& tags) {
            const TFieldEdits* changed = edits.For(song.FileName());
            return PlanStampEditedFields(tags, changed != nullptr ? *changed : TFieldEdits{});
          }};
}

TSongPlanner RenameWithDetailsPlanner(const TCommandInput& input) {
  return {TTagsNeeded::No, [panel = input.Panel, songs = input.Songs](const TSongFile& song, const TID3Info&) {
            return PlanRenameWithDetails(song, panel, songs);
          }};
}

TSongPlanner RenameThisFilePlanner(const TCommandInput& input) {
  TSongPlanner planner{TTagsNeeded::No, [name = input.NewName](const TSongFile& song, const TID3Info&) {
                         return PlanManualRename(song, name);
                       }};
  // The name is the user's, not the details': a file that cannot be written is renamed all the same.
  planner.ListedDetails = TListedDetails::Unused;
  planner.Writes = TWrites::NamesOnly;
  return planner;
}

TSongPlanner DeleteThisFilePlanner(const TCommandInput& input) {
  TSongPlanner planner{TTagsNeeded::No, [agreed = input.Removal](const TSongFile& song, const TID3Info&) {
                         return PlanRemoval(song.FileName(), agreed);
                       }};
  planner.ListedDetails = TListedDetails::Unused;
  planner.Writes = TWrites::WholeFile;
  return planner;
}

// A planner that refuses every song for the reason given: what a planner of input with a problem
// gives, should a front end not have asked for the problem first.
TSongPlanner RefusingPlanner(std::string reason) {
  return {TTagsNeeded::No, [reason = std::move(reason)](const TSongFile&, const TID3Info&) {
            TSongChange change;
            change.Refusal = reason;
            return change;
          }};
}

// Where a pattern's mistake is, for a reader: the character counted from 1 (a letter beyond ASCII
// counts once).
std::size_t CharacterAt(std::string_view text, std::size_t byte) {
  const std::string_view before = text.substr(0, byte);
  return 1 + static_cast<std::size_t>(std::ranges::count_if(
                 before, [](char c) { return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U; }));
}

std::string PatternProblem(const TPatternParse& parse, std::string_view text) {
  if (parse.Ok()) return {};
  return "the pattern \"" + std::string(text) + "\" has a mistake at character " +
         std::to_string(CharacterAt(text, parse.Error.Position)) + ": " + parse.Error.Message;
}

TSongPlanner TagsFromNamePlanner(const TCommandInput& input) {
  TPatternParse parse = ParseNamePattern(input.Pattern);
  if (!parse.Ok()) return RefusingPlanner(PatternProblem(parse, input.Pattern));
  const TTagsFromNameOptions options{.Cleanup = input.CleanupValues, .Tidy = input.Tidy};
  return {TTagsNeeded::Yes,
          [pattern = std::move(*parse.Pattern), options](const TSongFile& song, const TID3Info& tags) {
            return PlanTagsFromName(song, tags, pattern, options);
          }};
}

TSongPlanner RenameWithPatternPlanner(const TCommandInput& input) {
  TPatternParse parse = ParseNamePattern(input.Pattern);
  if (!parse.Ok()) return RefusingPlanner(PatternProblem(parse, input.Pattern));
  return {TTagsNeeded::No, [pattern = std::move(*parse.Pattern)](const TSongFile& song, const TID3Info&) {
            return PlanRenameWithPattern(song, pattern);
          }};
}

TSongPlanner NumberTracksPlanner(const TCommandInput& input) {
  const TTrackNumbering& numbering = input.Numbering;
  // A file that is no MP3 is left alone by the pass: it takes no number and counts in no total.
  const TTrackNumbers numbers =
      NumberSongs(WithoutOtherContent(numbering.FileNamesInOrder), numbering.Start, numbering.WithTotal);
  return {TTagsNeeded::Yes,
          [numbers](const TSongFile& song, const TID3Info& tags) { return PlanNumberTrack(song, tags, numbers); }};
}

// The cover command: the picture file read once for every song, or each folder's picture once for
// the songs of that folder. The plan keeps the tags as they stand and goes by nothing the listing read.
TSongPlanner CoverPlanner(const TCommandInput& input) {
  const TCoverInput& cover = input.Cover;
  if (const std::string problem = CoverInputProblem(cover); !problem.empty()) return RefusingPlanner(problem);
  TSongPlanner planner;
  if (cover.FromFolder()) {
    auto folders = std::make_shared<TFolderCovers>(cover.Limit);
    planner = {TTagsNeeded::Yes, [folders, action = cover.Action](const TSongFile& song, const TID3Info& tags) {
                 return PlanCoverChange(tags, action, folders->Of(std::string(FolderPart(song.FileName()))));
               }};
  } else {
    const TCoverPicture picture =
        cover.TakesAPicture() ? ReadCoverPicture(cover.PictureFile, cover.Limit) : TCoverPicture{};
    planner = {TTagsNeeded::Yes, [picture, action = cover.Action](const TSongFile&, const TID3Info& tags) {
                 return PlanCoverChange(tags, action, picture);
               }};
  }
  planner.ListedDetails = TListedDetails::Unused;
  return planner;
}

const char* CoverCaption(TPictureAction action) {
  switch (action) {
    case TPictureAction::SetFrontCover: return "Set Front Cover";
    case TPictureAction::AddFrontCover: return "Add Front Cover";
    case TPictureAction::RemoveFrontCover: return "Remove Front Cover";
    case TPictureAction::RemoveAll: return "Remove All Pictures";
    case TPictureAction::Keep: break;
  }
  return "Change Cover";
}

// Each row in the order of TCatalogueCommand's fields: id, subcommand, help line, caption, preview
// caption, entry, keys, count, unwritable files, text cleaning, parameters, carried out by, planner.
std::vector<TCatalogueCommand> DescribeCommands() {
  using enum TPassCount;
  using enum TCommandParameters;
  using enum TCarriedOutBy;
  constexpr TWhenUnwritable kAsk = TWhenUnwritable::Ask;
  constexpr TWhenUnwritable kSkip = TWhenUnwritable::Skip;
  constexpr TCleansText kCleans = TCleansText::Yes;
  constexpr TCleansText kKeeps = TCleansText::No;
  return {
      {TCommandId::AutoRename, "rename", "Rename each song's file after its details (AutoRename Files)",
       "AutoRename Files", "Preview AutoRename", "AutoRename Files", nullptr, Renamed, kAsk, kKeeps, None, SongPass,
       AutoRenamePlanner},
      {TCommandId::FileNameAsTitle, "filename-as-title", "Write each file's name into its tag's title",
       "Filename as Title", "Preview Filename as Title", "Filename as Title", nullptr, SongsTagged, kAsk, kKeeps, None,
       SongPass, FileNameAsTitlePlanner},
      {TCommandId::DetailsCleanup, "cleanup",
       "Clean titles, artists and albums and write the recognised details (Details Cleanup)", "Details Cleanup",
       "Preview Details Cleanup", "Details Cleanup", nullptr, SongsTagged, kAsk, kCleans, None, SongPass,
       DetailsCleanupPlanner},
      {TCommandId::HandsFree, "hands-free",
       "Rewrite the tag and rename the file of each song whose name holds only its details", "Hands-Free!",
       "Preview Hands-Free", "Hands-Free! (F7)", "F7", SongsUpdated, kSkip, TCleansText::YesWithTitleTag, None,
       SongPass, HandsFreePlanner},
      // On the command line, stamp --recognized.
      {TCommandId::StampRecognized, nullptr, nullptr, "Stamp ID3 Tags", "Preview Stamp ID3 Tags", "Stamp ID3 Tags",
       nullptr, SongsTagged, kAsk, kKeeps, None, SongPass, StampRecognizedPlanner},
      {TCommandId::ClearField, "clear", "Blank one tag field of each song (ID3 Clear)", "ID3 Clear", nullptr,
       "ID3 Clear", nullptr, SongsTagged, kSkip, kKeeps, TagField, SongPass, ClearFieldPlanner},
      {TCommandId::StampGivenFields, "stamp", "Write tag fields into song files, keeping the others", nullptr, nullptr,
       nullptr, nullptr, SongsTagged, kSkip, kKeeps, GivenFields, SongPass, StampGivenFieldsPlanner},
      {TCommandId::StampPanel, nullptr, nullptr, "Stamp ID3 Tag(s)", "Preview Stamp ID3 Tag(s)",
       "Stamp &ID3 Tag(s) (F6)", "F6", SongsTagged, kAsk, kKeeps, PanelValues, SongPass, StampPanelPlanner},
      // The same button and key as the panel's stamp, in the table view.
      {TCommandId::StampEditedCells, nullptr, nullptr, "Stamp ID3 Tag(s)", "Stamp ID3 Tag(s)", nullptr, nullptr,
       SongsTagged, kAsk, kKeeps, EditedCells, SongPass, StampEditedCellsPlanner},
      {TCommandId::RenameWithDetails, nullptr, nullptr, "Rename File(s)", nullptr, "Rename File(s) (F5)", "F5", Renamed,
       kAsk, kKeeps, PanelValues, SongPass, RenameWithDetailsPlanner},
      {TCommandId::RenameThisFile, nullptr, nullptr, "Rename This File", nullptr, "Rename This File", nullptr, Renamed,
       kSkip, kKeeps, NewName, SongPass, RenameThisFilePlanner},
      {TCommandId::TagsFromName, "tag-from-name",
       "Fill each song's tag with what a pattern reads from its file name (Tags from File Names)",
       "Tags from File Names", "Preview Tags from File Names", "Tags from File Names...", nullptr, SongsTagged, kAsk,
       kCleans, NamePattern, SongPass, TagsFromNamePlanner},
      // On the command line, rename --pattern.
      {TCommandId::RenameWithPattern, nullptr, nullptr, "Rename with Pattern", "Preview Rename with Pattern",
       "Rename with Pattern...", nullptr, Renamed, kAsk, kKeeps, NamePattern, SongPass, RenameWithPatternPlanner},
      {TCommandId::NumberTracks, "number",
       "Number the songs' tracks in file name order, starting again in each folder (Number Tracks)", "Number Tracks",
       "Preview Number Tracks", "Number Tracks...", nullptr, SongsTagged, kAsk, kKeeps, TrackNumbering, SongPass,
       NumberTracksPlanner},
      {TCommandId::ChangeCover, "cover",
       "Set the songs' front cover from a picture or their folder's, add one, or remove it or every picture",
       "Change Cover", "Preview Change Cover", nullptr, nullptr, SongsTagged, kAsk, kKeeps, Cover, SongPass,
       CoverPlanner},
      {TCommandId::DeleteThisFile, nullptr, nullptr, "Delete This File", nullptr, "Delete This File", nullptr,
       FilesDeleted, kSkip, kKeeps, Removal, SongPass, DeleteThisFilePlanner},
      {TCommandId::Undo, "undo",
       "Take back the newest command not yet undone (again: the one before it), or the one named", "Undo Last Command",
       nullptr, "Undo Last Command (Ctrl+Z)", "Ctrl+Z", FilesRestored, kSkip, kKeeps, HistoryEntry, History, nullptr},
      {TCommandId::Redo, "redo", "Take back the newest undo not yet redone, while no command has changed files since",
       "Redo Last Undo", nullptr, "Redo Last Undo (Ctrl+Shift+Z)", "Ctrl+Shift+Z; Ctrl+Y", FilesRestored, kSkip, kKeeps,
       HistoryEntry, History, nullptr},
  };
}

}  // namespace

const std::vector<TCatalogueCommand>& CommandCatalogue() {
  static const std::vector<TCatalogueCommand> commands = DescribeCommands();
  return commands;
}

const TCatalogueCommand& CatalogueCommand(TCommandId id) {
  const std::vector<TCatalogueCommand>& commands = CommandCatalogue();
  const auto found =
      std::find_if(commands.begin(), commands.end(), [id](const TCatalogueCommand& c) { return c.Id == id; });
  if (found == commands.end()) throw std::logic_error("a command missing from the catalogue");
  return *found;
}

std::string InputProblem(const TCatalogueCommand& command, const TCommandInput& input) {
  if (command.Parameters == TCommandParameters::NamePattern) {
    return PatternProblem(ParseNamePattern(input.Pattern), input.Pattern);
  }
  if (command.Parameters == TCommandParameters::TrackNumbering) {
    const int start = input.Numbering.Start;
    if (start < 1 || start > 255) return "the first track number must be from 1 to 255, not " + std::to_string(start);
  }
  if (command.Parameters == TCommandParameters::Cover) return CoverInputProblem(input.Cover);
  return {};
}

std::string WindowCaption(const TCatalogueCommand& command, const TCommandInput& input) {
  std::string caption = command.WindowName != nullptr ? command.WindowName : command.CliName;
  if (command.Parameters == TCommandParameters::TagField) caption += std::string(" ") + TagFieldCaption(input.Field);
  if (command.Parameters == TCommandParameters::Cover) caption = CoverCaption(input.Cover.Action);
  return caption;
}

}  // namespace tagwright
