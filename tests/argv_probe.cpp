// A program for the alarm program tests: writes what it was started with into the file its first
// argument names: each further argument followed by a NUL, then an "fd N" line for every
// descriptor above 2 it was given. The file appears complete (written aside, then renamed).
#include <dirent.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string target = argv[1];
  const std::string part = target + ".part";
  std::FILE* out = std::fopen(part.c_str(), "wb");
  if (out == nullptr) return 1;
  for (int i = 2; i < argc; ++i) {
    std::fputs(argv[i], out);
    std::fputc('\0', out);
  }
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (const dirent* entry = readdir(dir)) {
      const int fd = std::atoi(entry->d_name);
      if (fd > 2 && fd != dirfd(dir) && fd != fileno(out)) std::fprintf(out, "fd %d\n", fd);
    }
    closedir(dir);
  }
  if (std::fclose(out) != 0) return 1;
  return std::rename(part.c_str(), target.c_str()) == 0 ? 0 : 1;
}
