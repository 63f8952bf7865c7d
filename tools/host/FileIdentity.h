#pragma once
// Which file a path names, for the refusal to write a picture over one that
// the run reads: a single picture's input as well as every input of a batch.

#include <string>

namespace kvtool {

// A key that is equal for two paths that name one file. The path is first
// made absolute and normalised, with symbolic links resolved as far as it
// exists ("new/../a.png" is a.png even before the folder "new" is made).
// For a file that exists the key is then the file itself (device and inode;
// on Windows the volume serial number and file index), so that hard links,
// symbolic links and every spelling of the path agree. A name that does not
// exist yet keys by that normalised spelling (Windows names ignore case),
// so that two outputs still compare.
std::string FileIdentity(const std::string& path);

}  // namespace kvtool
