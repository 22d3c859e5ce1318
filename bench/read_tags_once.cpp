// Reads one file's tags the way listing does (ReadID3Tags) and prints the title: a small program
// to count the system calls of one tag read with strace.
#include <cstdio>

#include "tags/id3_info.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
    return 2;
  }
  tagwright::TID3Info info;
  const tagwright::TResultOf<bool> found = tagwright::ReadID3Tags(argv[1], info);
  if (!found) {
    std::fprintf(stderr, "%s\n", found.Failure().Describe().c_str());
    return 1;
  }
  std::printf("%d %s\n", found.Value() ? 1 : 0, info.Title.c_str());
  return 0;
}
