/* The least this machine can do for the durable result of a tag change: applies byte runs read
 * from PATCH (what write_floor_benchmark.py finds changed by a command) to each file with one
 * open, a pwrite per run, an ftruncate when the file shrinks and a close, then makes them all
 * durable with one syncfs.
 *   write_floor PATCH
 * PATCH: per file, u32 path length, path, u64 new size, u64 old size, u32 runs, then per run u64
 * offset, u32 length, bytes (little-endian). */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const int patch = open(argv[1], O_RDONLY);
  struct stat info;
  if (patch < 0 || fstat(patch, &info) != 0) return perror(argv[1]), 1;
  if (info.st_size == 0) return 0;
  const unsigned char* at = mmap(0, (size_t)info.st_size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, patch, 0);
  if (at == MAP_FAILED) return perror("mmap"), 1;
  const unsigned char* end = at + info.st_size;
  char path[4096];
  int last = -1;
  while (at < end) {
    uint32_t length, runs;
    uint64_t newSize, oldSize;
    memcpy(&length, at, 4);
    at += 4;
    if (length >= sizeof path) return 1;
    memcpy(path, at, length);
    path[length] = 0;
    at += length;
    memcpy(&newSize, at, 8);
    memcpy(&oldSize, at + 8, 8);
    memcpy(&runs, at + 16, 4);
    at += 20;
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return perror(path), 1;
    for (uint32_t run = 0; run < runs; ++run) {
      uint64_t offset;
      uint32_t size;
      memcpy(&offset, at, 8);
      memcpy(&size, at + 8, 4);
      at += 12;
      if (pwrite(fd, at, size, (off_t)offset) != (ssize_t)size) return perror("pwrite"), 1;
      at += size;
    }
    if (newSize < oldSize && ftruncate(fd, (off_t)newSize) != 0) return perror("ftruncate"), 1;
    if (last >= 0) close(last);
    last = fd;
  }
  if (last >= 0) {
    syncfs(last);
    close(last);
  }
  return 0;
}
