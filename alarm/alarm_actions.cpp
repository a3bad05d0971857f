// The system's alarm actions: sounds through libcanberra, programs through posix_spawnp.
#include "alarm/alarm_actions.h"

#include <canberra.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>

#include <cerrno>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "alarm/alarm_command.h"

extern char** environ;

namespace nw {
namespace {

// The sound service's context, made on first use and kept until the process ends: the library
// plays each sound on a thread of its own, and destroying the context at exit could pull it
// from under a sound still playing. A context that could not be made is tried again next time.
ca_context* sound_context() {
  static std::mutex mutex;
  static ca_context* context = nullptr;
  std::lock_guard lock(mutex);
  if (context == nullptr && ca_context_create(&context) == CA_SUCCESS) {
    (void)ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "Nodewren", nullptr);
  }
  return context;
}

// What posix_spawnp is told besides the program and its arguments.
class spawn_setup {
 public:
  spawn_setup() {
    ok_ = posix_spawnattr_init(&attributes_) == 0;
    ok_ = posix_spawn_file_actions_init(&files_) == 0 && ok_;
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    // Its own session, so that the terminal's hang-up or interrupt meant for us spares it; and
    // no signal blocked or ignored because this thread or the program blocks or ignores it.
    const short flags = POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    ok_ = ok_ && posix_spawnattr_setflags(&attributes_, flags) == 0 &&
          posix_spawnattr_setsigmask(&attributes_, &none) == 0 &&
          posix_spawnattr_setsigdefault(&attributes_, &all) == 0 &&
          posix_spawn_file_actions_addopen(&files_, 0, "/dev/null", O_RDONLY, 0) == 0 &&
          posix_spawn_file_actions_addclosefrom_np(&files_, 3) == 0;
  }
  ~spawn_setup() {
    posix_spawn_file_actions_destroy(&files_);
    posix_spawnattr_destroy(&attributes_);
  }
  spawn_setup(const spawn_setup&) = delete;
  spawn_setup& operator=(const spawn_setup&) = delete;

  [[nodiscard]] bool ok() const { return ok_; }
  [[nodiscard]] const posix_spawnattr_t* attributes() const { return &attributes_; }
  [[nodiscard]] const posix_spawn_file_actions_t* files() const { return &files_; }

 private:
  posix_spawnattr_t attributes_{};
  posix_spawn_file_actions_t files_{};
  bool ok_ = false;
};

// The program is never waited for, yet its end must be collected or it stays a zombie. A
// thread per program blocks in waitpid for exactly that child: waiting for any child instead
// would steal the end of processes other parts of the program wait for, and ignoring SIGCHLD
// would change waiting for the whole process. Without a thread to spare the child is left to
// be collected when we exit.
void collect_when_ended(pid_t pid) {
  try {
    std::thread([pid] {
      while (waitpid(pid, nullptr, 0) == -1 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
  }
}

}  // namespace

alarm_actions alarm_actions_system() {
  return {[](const std::string& path) { (void)alarm_sound_play(path); },
          [](const std::string& command) { (void)alarm_program_start(command); }};
}

int alarm_sound_play(const std::string& path) {
  if (path.empty()) return -1;
  ca_context* context = sound_context();
  if (context == nullptr) return -1;
  return ca_context_play(context, 0, CA_PROP_MEDIA_FILENAME, path.c_str(), nullptr) == CA_SUCCESS ? 1 : -1;
}

int alarm_program_start(const std::string& command) {
  std::vector<std::string> words;
  if (alarm_command_split(command, words) != 1 || words.empty()) return -1;
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  const spawn_setup setup;
  if (!setup.ok()) return -1;
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], setup.files(), setup.attributes(), argv.data(), environ) != 0) return -1;
  collect_when_ended(pid);
  return 1;
}

}  // namespace nw
