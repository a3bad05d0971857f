// The ethers name database: the table behind one lock, its recovery at open, its backups at
// close, and the name thread that answers reverse look-ups.
#include "namedb/cb_ether.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "core/event.h"
#include "core/message.h"
#include "core/netaddr_ether.h"
#include "core/q.h"
#include "core/str_cache.h"
#include "namedb/ethers_row.h"

namespace nw {

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t STR_REVERT = 50036;

struct name_request {
  netaddr ip;
  ethers_name_done done;
};

struct ethers_state {
  // "cb ether mutex": the table, its handles, the request queue and the flags below. The
  // table is used from the capture, name, name-cache and window threads.
  std::mutex mutex;
  xbase_table table;
  ethers_handles fields;
  bool usable = false;   // the table is open with our layout
  bool running = false;  // between open and close: requests are taken
  bool stop = false;     // tells the name thread to end
  ethers_options options;
  q<name_request> requests;
  manual_event wake;  // set after every request; reset only with the queue seen empty
  std::thread name_thread;

  ~ethers_state();
};

ethers_state& state() {
  static ethers_state s;
  return s;
}

std::string path_of(const std::string& file) { return (fs::path(state().options.directory) / file).string(); }
std::string base_path() { return path_of("ethers"); }

// ---- opening and recovery ------------------------------------------------------------------

bool exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

void remove_files(const std::string& a, const std::string& b) {
  std::error_code ec;
  fs::remove(path_of(a), ec);
  fs::remove(path_of(b), ec);
}

// Through a temporary name, so that a copy cut short never stands in for a good one.
bool copy_file(const std::string& from, const std::string& to) {
  std::error_code ec;
  const std::string tmp = path_of(to + ".tmp");
  if (!fs::copy_file(path_of(from), tmp, fs::copy_options::overwrite_existing, ec)) return false;
  fs::rename(tmp, path_of(to), ec);
  if (ec) fs::remove(tmp, ec);
  return !ec;
}

int try_open(ethers_state& s) {
  if (s.table.open(base_path(), ethers_row_tags()) > 0 && ethers_row_bind(s.table.table(), s.fields) > 0) return 1;
  s.table.close();
  return -1;
}

int try_create(ethers_state& s) {
  if (s.table.create(base_path(), ethers_row_fields(), ethers_row_tags()) > 0 &&
      ethers_row_bind(s.table.table(), s.fields) > 0)
    return 1;
  s.table.close();
  return -1;
}

// The rows can be read with our layout: whatever failed was the index, which is only derived
// from them, so the table must not be thrown away for it.
bool rows_readable() {
  dbf_table rows;
  ethers_handles unused;
  return rows.open(path_of("ethers.dbf")) > 0 && ethers_row_bind(rows, unused) > 0;
}

void revert_to_backup() {
  message_error(str_text(STR_REVERT));
  remove_files("ethers.dbf", "ethers.cdx");
  (void)copy_file("ethers.dbf.bak", "ethers.dbf");
  if (exists(path_of("ethers.cdx.bak"))) (void)copy_file("ethers.cdx.bak", "ethers.cdx");
}

int open_table(ethers_state& s) {
  if (!exists(path_of("ethers.dbf"))) return try_create(s);
  if (try_open(s) > 0) return 1;
  if (rows_readable()) {
    // An index that cannot even be rebuilt in place: start it afresh from the rows.
    std::error_code ec;
    fs::remove(path_of("ethers.cdx"), ec);
    return try_open(s);
  }
  if (exists(path_of("ethers.dbf.bak")))
    revert_to_backup();
  else
    remove_files("ethers.dbf", "ethers.cdx");
  if (exists(path_of("ethers.dbf")) && try_open(s) > 0) return 1;
  remove_files("ethers.dbf", "ethers.cdx");
  return try_create(s);
}

int select_mac(ethers_state& s) { return s.table.select_tag(ETHERS_MAC_TAG); }

// ---- the name thread -----------------------------------------------------------------------

std::string system_reverse_lookup(const netaddr& ip) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  std::memcpy(&sa.sin_addr, netaddr_bytes(ip), sizeof sa.sin_addr);
  char host[NI_MAXHOST];
  // NI_NAMEREQD: a numeric fallback is no name.
  if (getnameinfo(reinterpret_cast<const sockaddr*>(&sa), sizeof sa, host, sizeof host, nullptr, 0, NI_NAMEREQD) != 0)
    return {};
  return host;
}

// 1 with the next request, 0 when told to stop. The event is reset under the lock, with the
// queue seen empty: a request put after that sets it again, so none is left waiting.
int next_request(ethers_state& s, name_request& out) {
  for (;;) {
    {
      std::lock_guard lock(s.mutex);
      if (s.stop) return 0;
      if (q_get(s.requests, &out) != 0) return 1;
      s.wake.reset();
    }
    s.wake.wait();
  }
}

void name_thread_main(ethers_state& s, std::function<bool()> resolve_enabled,
                      std::function<std::string(const netaddr&)> lookup) {
  name_request r;
  while (next_request(s, r) > 0) {
    const bool resolve = resolve_enabled && resolve_enabled();
    const std::string name = resolve ? ethers_cut_name(lookup(r.ip)) : std::string();
    if (r.done) r.done(name);
    r = {};
  }
}

void start_name_thread(ethers_state& s) {
  auto lookup = s.options.reverse_lookup ? s.options.reverse_lookup : system_reverse_lookup;
  s.stop = false;
  s.name_thread = std::thread(name_thread_main, std::ref(s), s.options.resolve_enabled, std::move(lookup));
}

void stop_name_thread(ethers_state& s) {
  {
    std::lock_guard lock(s.mutex);
    s.running = false;
    s.stop = true;
    q_free(s.requests);
  }
  s.wake.set();
  if (!s.name_thread.joinable()) return;
  // A callback that closes the database runs on the name thread itself.
  if (s.name_thread.get_id() == std::this_thread::get_id())
    s.name_thread.detach();
  else
    s.name_thread.join();
}

ethers_state::~ethers_state() { stop_name_thread(*this); }

// ---- look-ups under the lock ---------------------------------------------------------------

bool is_hardware(const netaddr& hw) {
  return hw.type != nullptr && (hw.type->family == NETADDR_ETHER || hw.type->family == NETADDR_TR);
}

std::span<const std::uint8_t> key_of(const netaddr& hw) { return {netaddr_bytes(hw), NETADDR_HW_LENGTH}; }

bool starts_with(std::span<const std::uint8_t> field, std::span<const std::uint8_t> key) {
  return field.size() >= key.size() && std::equal(key.begin(), key.end(), field.begin());
}

// 1 with the cursor on the first live row whose `field` starts with key in the selected tag,
// 0 when there is none, -1 on an engine error. Rows marked deleted by other software and not
// yet packed are passed over.
int seek_live(ethers_state& s, int field, std::span<const std::uint8_t> key) {
  int rc = s.table.seek(key);
  while (rc == 1 && s.table.deleted()) {
    rc = s.table.skip();
    if (rc == 1 && !starts_with(s.table.field(field), key)) rc = 0;
  }
  return rc;
}

int seek_hw(ethers_state& s, const netaddr& hw) {
  if (select_mac(s) <= 0) return -1;
  return seek_live(s, s.fields.mac, key_of(hw));
}

// The store of ethers_store, with the lock held; a new group row's name goes to *named.
int store_locked(ethers_state& s, const name_record& record, std::optional<std::string>* named) {
  if (!s.usable || !is_hardware(record.hw)) return 0;
  const int found = seek_hw(s, record.hw);
  if (found < 0) return -1;
  if (found == 0) {
    auto name = ethers_row_fill_new(s.table, s.fields, record, s.options.multicast);
    if (named != nullptr) *named = std::move(name);
    return s.table.append() > 0 ? 1 : -1;
  }
  ethers_row_fill_update(s.table, s.fields, record);
  return s.table.write() > 0 ? 1 : -1;
}

// A station first seen, answered without a table too: the group name does not need one.
name_record fresh_record(const ethers_state& s, const netaddr& hw) {
  name_record r;
  r.hw = hw;
  if (is_hardware(hw) && ethers_row_is_group(hw)) {
    std::string name = ethers_row_group_name(hw, s.options.multicast);
    if (name.size() > ETHERS_NAME_MAX) name.resize(ETHERS_NAME_MAX);
    r.local_name = std::move(name);
  }
  return r;
}

}  // namespace

int ethers_open(const ethers_options& options) {
  ethers_state& s = state();
  std::lock_guard lock(s.mutex);
  if (s.running) return 0;
  s.options = options;
  s.usable = open_table(s) > 0 && select_mac(s) > 0;
  if (!s.usable) s.table.close();
  s.running = true;
  start_name_thread(s);
  return s.usable ? 1 : -1;
}

void ethers_close() {
  ethers_state& s = state();
  stop_name_thread(s);
  std::lock_guard lock(s.mutex);
  if (!s.usable) return;
  s.table.close();
  s.usable = false;
  // Only a table that opened is worth keeping: a failed start must not overwrite good copies.
  (void)copy_file("ethers.dbf", "ethers.dbf.bak");
  (void)copy_file("ethers.cdx", "ethers.cdx.bak");
}

void ethers_reset() {
  ethers_state& s = state();
  stop_name_thread(s);
  std::lock_guard lock(s.mutex);
  s.table.close();
  s.usable = false;
  s.fields = {};
  s.options = {};
}

name_record ethers_lookup_host(const netaddr& hw) {
  ethers_state& s = state();
  std::lock_guard lock(s.mutex);
  if (s.usable && is_hardware(hw) && seek_hw(s, hw) == 1) return ethers_row_read(s.table, s.fields, hw, false);
  name_record r;
  r.hw = hw;
  std::optional<std::string> named;
  if (store_locked(s, r, &named) > 0) {
    r.local_name = std::move(named);
    return r;
  }
  return fresh_record(s, hw);
}

std::optional<name_record> ethers_lookup_address(const netaddr& hw) {
  ethers_state& s = state();
  std::lock_guard lock(s.mutex);
  if (!s.usable || !is_hardware(hw) || seek_hw(s, hw) != 1) return std::nullopt;
  return ethers_row_read(s.table, s.fields, hw, false);
}

std::optional<name_record> ethers_lookup_name(std::string_view text) {
  ethers_state& s = state();
  std::lock_guard lock(s.mutex);
  if (!s.usable || text.empty() || s.table.select_tag(ETHERS_NAME_TAG) <= 0) return std::nullopt;
  const auto prefix = text.substr(0, ETHERS_NAME_MAX);
  const int rc = seek_live(s, s.fields.local_name, {reinterpret_cast<const std::uint8_t*>(prefix.data()), prefix.size()});
  std::optional<name_record> out;
  if (rc == 1) out = ethers_row_read(s.table, s.fields, netaddr{}, false);
  (void)select_mac(s);
  return out;
}

int ethers_store(const name_record& record) {
  ethers_state& s = state();
  std::lock_guard lock(s.mutex);
  return store_locked(s, record, nullptr);
}

int ethers_delete(const netaddr& hw) {
  ethers_state& s = state();
  std::lock_guard lock(s.mutex);
  if (!s.usable || !is_hardware(hw)) return 0;
  // The tag is not unique: every row of the station goes, or it would come back.
  int removed = 0;
  int rc = 0;
  while ((rc = seek_hw(s, hw)) == 1) {
    if (s.table.delete_record() < 0) return -1;
    ++removed;
  }
  if (rc < 0) return -1;
  if (removed == 0) return 0;
  return s.table.pack() > 0 && select_mac(s) > 0 ? 1 : -1;
}

int ethers_delete_all() {
  ethers_state& s = state();
  std::lock_guard lock(s.mutex);
  if (!s.usable) return 0;
  if (s.table.select_tag("") <= 0) return -1;
  int rc = s.table.top();
  for (; rc == 1; rc = s.table.skip()) {
    if (!s.table.deleted() && s.table.delete_record() < 0) return -1;
  }
  if (rc < 0) return -1;
  return s.table.pack() > 0 && select_mac(s) > 0 ? 1 : -1;
}

int ethers_for_each(const ethers_visit& visit) {
  ethers_state& s = state();
  std::lock_guard lock(s.mutex);
  if (!s.usable) return 0;
  if (select_mac(s) <= 0) return -1;
  int rc = s.table.top();
  for (; rc == 1; rc = s.table.skip()) {
    if (!s.table.deleted() && visit) visit(ethers_row_read(s.table, s.fields, netaddr{}, true));
  }
  return rc < 0 ? -1 : 1;
}

int ethers_request_name(const netaddr& ip, ethers_name_done done) {
  ethers_state& s = state();
  if (ip.type == nullptr || ip.type->family != NETADDR_IPV4) return 0;
  {
    std::lock_guard lock(s.mutex);
    if (!s.running) return 0;
    if (q_put(s.requests, name_request{ip, std::move(done)}) == 0) return 0;
  }
  s.wake.set();
  return 1;
}

std::string ethers_cut_name(std::string_view answer) {
  answer = answer.substr(0, ETHERS_ANSWER_MAX);
  std::size_t cut = answer.find('.');
  if (cut == std::string_view::npos) cut = answer.find(' ');
  return std::string(answer.substr(0, cut));
}

}  // namespace nw
