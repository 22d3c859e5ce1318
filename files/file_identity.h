// Which file a name led to: its device and inode, which stay the file's own through writes in
// place and renames, and which another file put in its place (a new copy, a symbolic link to
// elsewhere) does not share.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

namespace tagwright {

struct TFileIdentity {
  dev_t Device = 0;
  ino_t Inode = 0;

  bool operator==(const TFileIdentity&) const = default;
};

inline TFileIdentity IdentityOf(const struct stat& info) { return {info.st_dev, info.st_ino}; }

}  // namespace tagwright
