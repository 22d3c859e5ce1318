# fish completion for tagwright-cli

set -l commands scan rename filename-as-title cleanup hands-free clear tag-from-name number cover tags stamp history undo redo
complete -c tagwright-cli -f
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -s h -l help -d 'Print help and exit'
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -l version -d 'Print the version and exit'
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -a scan -d 'List songs with their recognised details'
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -a rename -d "Rename each song's file after its details"
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -a filename-as-title -d "Write each file's name into its title"
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -a cleanup -d 'Clean details and write them'
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -a hands-free -d 'Tag and rename songs named after their details'
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -a clear -d 'Blank one tag field of each song'
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -a tag-from-name -d "Fill each song's tag from its file name with a pattern"
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -a number -d "Number the songs' tracks, each folder from the start"
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -a cover -d "Set, add or remove the songs' front cover, or save it"
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -a tags -d 'Show the ID3 tag values of song files'
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -a stamp -d 'Write tag fields into song files'
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -a history -d 'List the commands that changed files'
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -a undo -d 'Take back a command'
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -a redo -d 'Take back the newest undo'
complete -c tagwright-cli -n "not __fish_seen_subcommand_from $commands" -l history -r -F -d 'The history file'

# Song files and folders for every command.
complete -c tagwright-cli -n "__fish_seen_subcommand_from $commands" -F
complete -c tagwright-cli -n "__fish_seen_subcommand_from $commands" -s h -l help -d 'Print help and exit'
complete -c tagwright-cli -n "__fish_seen_subcommand_from scan rename filename-as-title cleanup hands-free clear tag-from-name number cover stamp" -l recursive -d 'Include the songs of subfolders'
complete -c tagwright-cli -n "__fish_seen_subcommand_from scan" -l no-tags -d 'Recognise from file names only'
complete -c tagwright-cli -n "__fish_seen_subcommand_from scan" -l audio -d 'Add the audio facts of each song'
complete -c tagwright-cli -n "__fish_seen_subcommand_from scan rename filename-as-title cleanup hands-free clear tag-from-name number cover stamp" -l jobs -x -d 'Threads reading songs'
complete -c tagwright-cli -n "__fish_seen_subcommand_from rename filename-as-title cleanup hands-free clear tag-from-name number cover stamp undo redo" -l dry-run -d 'Change nothing on disk'
complete -c tagwright-cli -n "__fish_seen_subcommand_from rename filename-as-title cleanup hands-free clear tag-from-name number cover stamp" -l no-history -d 'Write without a record in the history'
complete -c tagwright-cli -n "__fish_seen_subcommand_from history" -l limit -x -d 'Show at most N entries'
complete -c tagwright-cli -n "__fish_seen_subcommand_from history" -l forget -x -d 'Let the interrupted change pending in entry ID go'
complete -c tagwright-cli -n "__fish_seen_subcommand_from scan rename filename-as-title cleanup hands-free clear tag-from-name number cover stamp" -l accented-letters -d 'Count letters beyond ASCII as letters in names'
complete -c tagwright-cli -n "__fish_seen_subcommand_from scan rename filename-as-title cleanup hands-free clear tag-from-name number cover stamp" -l keep-spellings -d 'Clean-up keeps known spellings such as AC/DC or DJ'
complete -c tagwright-cli -n "__fish_seen_subcommand_from scan rename filename-as-title cleanup hands-free clear tag-from-name number cover stamp" -l spellings -r -F -d 'Add the words of a file to the known spellings'
complete -c tagwright-cli -n "__fish_seen_subcommand_from scan rename filename-as-title cleanup hands-free clear tag-from-name number cover stamp" -l more-name-styles -d 'Tidy a name no pattern fits and try again'
complete -c tagwright-cli -n "__fish_seen_subcommand_from cleanup hands-free tag-from-name" -l lower-small-words -d 'Keep small words such as of or the in lower case'
complete -c tagwright-cli -n "__fish_seen_subcommand_from hands-free" -l title-with-mix -d 'The title tag holds the title with its mix'
complete -c tagwright-cli -n "__fish_seen_subcommand_from clear" -a 'artist title track album year genre comment' -d 'Tag field'
for field in artist title album year comment genre track
    complete -c tagwright-cli -n "__fish_seen_subcommand_from stamp" -l $field -x -d "Set the $field"
end
complete -c tagwright-cli -n "__fish_seen_subcommand_from stamp" -l recognized -d "Write each song's recognised details"
complete -c tagwright-cli -n "__fish_seen_subcommand_from rename tag-from-name" -l pattern -x -d 'The name pattern, as {artist} - {title}'
complete -c tagwright-cli -n "__fish_seen_subcommand_from tag-from-name" -l cleanup -d 'Clean the titles, artists and albums read'
complete -c tagwright-cli -n "__fish_seen_subcommand_from number" -l start -x -d "The first song's track number"
complete -c tagwright-cli -n "__fish_seen_subcommand_from number" -l total -d "Write each track with its folder's number of tracks"
complete -c tagwright-cli -n "__fish_seen_subcommand_from number" -l by-tag-order -d 'Number in the order of the tracks the songs hold'
complete -c tagwright-cli -n "__fish_seen_subcommand_from cover" -l set -r -F -d "Make this JPEG or PNG picture each song's front cover"
complete -c tagwright-cli -n "__fish_seen_subcommand_from cover" -l from-folder -d "Make the picture of each song's folder its front cover"
complete -c tagwright-cli -n "__fish_seen_subcommand_from cover" -l add -d "Add the picture beside the song's pictures"
complete -c tagwright-cli -n "__fish_seen_subcommand_from cover" -l remove -d "Remove each song's front cover"
complete -c tagwright-cli -n "__fish_seen_subcommand_from cover" -l all -d 'With --remove: remove every picture'
complete -c tagwright-cli -n "__fish_seen_subcommand_from cover" -l save -x -d "Save each song's cover next to it under this name"
complete -c tagwright-cli -n "__fish_seen_subcommand_from cover" -l max-size -x -d 'The largest picture taken, in MB'
