// nodewren-headless: runs capture files through the whole engine as fast as they can be read
// and prints each network's hosts, links, rankings and load, the protocol breakdown and the
// network events, and the alarms that fired.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "app/headless_alarms.h"
#include "app/headless_print.h"
#include "app/headless_reports.h"
#include "app/headless_run.h"
#include "core/netaddr_ether.h"
#include "core/netaddr_ipv4.h"
#include "core/netaddr_tr.h"
#include "core/parse.h"
#include "model/node.h"
#include "namedb/cb_ether.h"
#include "pdl/pdl.h"

namespace {

struct options {
  std::string data = ".";
  std::string protocols;  // default: protocol.pdl in the data directory
  std::string alarms;     // default: alarm.adl in the data directory, when there is one
  std::string reports;    // where the three reports go; empty: none
  bool names = true;
  std::vector<std::string> captures;
};

void usage() {
  std::fprintf(stderr,
               "usage: nodewren-headless [--data DIR] [--protocols FILE] [--alarms FILE] [--no-names] [--reports DIR] CAPTURE...\n"
               "  --data DIR        where protocol.pdl, alarm.adl, manf, multi and the name database are (default .)\n"
               "  --protocols FILE  another protocol file\n"
               "  --alarms FILE     the alarms to check (default: alarm.adl in the data directory, when there\n"
               "                    is one); firings are listed, but no sound is played and no program started\n"
               "  --no-names        leave the name database alone: stations are named by their addresses\n"
               "  --reports DIR     write the host, statistics and alarm reports (txt, rtf, html) into DIR;\n"
               "                    with several captures, into DIR/1, DIR/2, ...\n");
}

// false on a bad command line.
bool parse(int argc, char** argv, options& o) {
  for (int i = 1; i < argc; ++i) {
    const bool has_value = i + 1 < argc;
    if (std::strcmp(argv[i], "--data") == 0 && has_value) {
      o.data = argv[++i];
    } else if (std::strcmp(argv[i], "--protocols") == 0 && has_value) {
      o.protocols = argv[++i];
    } else if (std::strcmp(argv[i], "--alarms") == 0 && has_value) {
      o.alarms = argv[++i];
    } else if (std::strcmp(argv[i], "--reports") == 0 && has_value) {
      o.reports = argv[++i];
    } else if (std::strcmp(argv[i], "--no-names") == 0) {
      o.names = false;
    } else if (argv[i][0] == '-') {
      return false;
    } else {
      o.captures.emplace_back(argv[i]);
    }
  }
  if (o.protocols.empty()) o.protocols = o.data + "/protocol.pdl";
  std::error_code unreadable;
  if (o.alarms.empty() && std::filesystem::exists(o.data + "/alarm.adl", unreadable)) o.alarms = o.data + "/alarm.adl";
  return !o.captures.empty();
}

}  // namespace

int main(int argc, char** argv) {
  const auto started = static_cast<std::uint32_t>(std::time(nullptr));  // the reports' period
  options o;
  if (!parse(argc, argv, o)) {
    usage();
    return 2;
  }
  nw::netaddr_registry_init();
  (void)nw::netaddr_ether_register();
  (void)nw::netaddr_ipv4_register();
  (void)nw::netaddr_tr_register();
  nw::protocol_node* root = nw::pdl_load(o.protocols);
  if (root == nullptr) return 255;
  // Missing tables only cost the names they hold.
  const auto manufacturers = nw::addr_file_load(o.data + "/manf");
  const auto multicast = nw::addr_file_load(o.data + "/multi");
  nw::node_set_manufacturers(manufacturers.get());
  if (o.names) {
    nw::ethers_options names;
    names.directory = o.data;
    names.multicast = multicast.get();  // resolving stays off: no look-ups from a batch run
    (void)nw::ethers_open(names);
  } else {
    nw::node_set_name_service({});
  }

  nw::headless_hooks hooks;
  if (!o.alarms.empty()) {
    if (nw::headless_alarms_start(o.alarms) < 0) {
      if (o.names) nw::ethers_close();
      return 255;
    }
    nw::headless_alarms_hook(hooks);
  }

  int failures = 0;
  const std::vector<nw::headless_network> runs = nw::headless_run(o.captures, failures, hooks);
  if (!o.alarms.empty()) nw::headless_alarms_stop();
  if (!o.reports.empty()) failures += nw::headless_write_reports(runs, o.reports, root, started);
  for (const auto& run : runs) nw::headless_print_network(stdout, run);
  nw::headless_print_protocols(stdout, root);
  nw::headless_print_events(stdout);
  if (!o.alarms.empty()) nw::headless_print_alarms(stdout);

  if (o.names) nw::ethers_close();
  // The model's records (hundreds of thousands on a large segment, each with tables of its own)
  // are left to the system, which takes their memory back at once: freed one by one they took a
  // fifth of a 50,000-station run.
  if (std::fflush(stdout) != 0) {
    std::perror("nodewren-headless: standard output");
    ++failures;
  }
  std::_Exit(failures == 0 ? 0 : 1);
}
