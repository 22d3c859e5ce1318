// The commands behind the buttons and pop-up menu entries. Each runs inside TfrmRo3VavMain::RunGuarded
// so that an error is shown and the window carries on.
#include "ui/main_window.h"

namespace tagwright {

void TfrmRo3VavMain::cmdUpdateID3TagsClick() {}
void TfrmRo3VavMain::popStampID3TagsClick() {}
void TfrmRo3VavMain::cmdRenameFilesClick() {}
void TfrmRo3VavMain::cmdRenameFilesWithDetailsClick() {}
void TfrmRo3VavMain::popRenameFileClick() {}
void TfrmRo3VavMain::cmdUseFilenameAsTitleClick() {}
void TfrmRo3VavMain::cmdTitleArtistCleanupToID3Click() {}
void TfrmRo3VavMain::cmdHandsFreeUpdateClick() {}
void TfrmRo3VavMain::popPlaySongsClick() {}
void TfrmRo3VavMain::mnuClearArtistClick() {}
void TfrmRo3VavMain::mnuClearTitleClick() {}
void TfrmRo3VavMain::mnuClearTrackClick() {}
void TfrmRo3VavMain::mnuClearAlbumClick() {}
void TfrmRo3VavMain::mnuClearYearClick() {}
void TfrmRo3VavMain::mnuClearGenreClick() {}
void TfrmRo3VavMain::mnuClearCommentClick() {}
void TfrmRo3VavMain::popDeleteFileClick() {}
void TfrmRo3VavMain::popSelectArtistClick() {}
void TfrmRo3VavMain::popSelectAllClick() {}
// The entry's tick has already flipped when this runs.
void TfrmRo3VavMain::popchkIncludeSubdirectoriesClick() {}
void TfrmRo3VavMain::popRefreshClick() {}
void TfrmRo3VavMain::popSDUnderscoresToSpacesClick() {}
void TfrmRo3VavMain::popSDInitialCapsClick() {}
void TfrmRo3VavMain::popSDRemoveArtistNameFromTitleBeginningClick() {}
void TfrmRo3VavMain::cmdUpdFilenameArtistClick() {}
void TfrmRo3VavMain::cmdUpdFilenameTitleClick() {}
void TfrmRo3VavMain::mnuCutToArtistClick() {}
void TfrmRo3VavMain::mnuCutToTitleClick() {}
void TfrmRo3VavMain::mnuCutToAlbumClick() {}
void TfrmRo3VavMain::mnuCutToCommentClick() {}
void TfrmRo3VavMain::mnuCutToTrackClick() {}
void TfrmRo3VavMain::Cut1Click() {}
void TfrmRo3VavMain::Copy1Click() {}
void TfrmRo3VavMain::Paste1Click() {}

}  // namespace tagwright
