// Where the reports are written: a folder of this user's own in the temporary directory.
#pragma once

#include <string>

namespace nw {

// $TMPDIR (else /tmp) with a folder "nodewren-<uid>" in it, made private (0700) when missing.
// Fixed file names in a shared directory could be planted as links to the user's own files,
// which the report would then overwrite; inside a private folder nobody else can plant them.
// A folder already there must be a real directory (no link), this user's, and writable by
// nobody else. 1 and the folder's path in *dir; -1 with the reason in *error.
[[nodiscard]] int report_dir(std::string* dir, std::string* error);

}  // namespace nw
