// The private report folder in the temporary directory.
#include "report/report_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace nw {
namespace {

int fail(std::string* error, std::string reason) {
  if (error != nullptr) *error = std::move(reason);
  return -1;
}

std::string temp_root() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string root = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

}  // namespace

int report_dir(std::string* dir, std::string* error) {
  const uid_t uid = ::geteuid();
  const std::string path = temp_root() + "/nodewren-" + std::to_string(uid);
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    return fail(error, "cannot make " + path + ": " + std::generic_category().message(errno));
  }
  // lstat, not stat: a link planted under the folder's name must not lead the reports elsewhere.
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    return fail(error, "cannot use " + path + ": " + std::generic_category().message(errno));
  }
  if (!S_ISDIR(st.st_mode) || st.st_uid != uid || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return fail(error, path + " is not a private folder of this user");
  }
  if (dir != nullptr) *dir = path;
  return 1;
}

}  // namespace nw
