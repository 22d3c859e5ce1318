// Benchmark peer: lists the MP3 files of a folder with TagLib, reading the seven fields the
// listing shows (title, artist, album, year, comment, track, genre), one line per file.
// Built only when TagLib is installed; the program itself never uses TagLib.
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
    std::string extension = entry.path().extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
    if (entry.is_regular_file() && extension == ".mp3") files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  std::string out;
  for (const std::string& file : files) {
    TagLib::FileRef ref(file.c_str(), false);
    const TagLib::Tag* tag = ref.tag();
    if (!tag) continue;
    out += file + '\t' + tag->title().to8Bit(true) + '\t' + tag->artist().to8Bit(true) + '\t' +
           tag->album().to8Bit(true) + '\t' + std::to_string(tag->year()) + '\t' + tag->comment().to8Bit(true) + '\t' +
           std::to_string(tag->track()) + '\t' + tag->genre().to8Bit(true) + '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
