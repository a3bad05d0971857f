// nodewren-headless: runs capture files through the whole engine as fast as they can be read
// and prints each network's hosts, links, rankings and load, the protocol breakdown and the
// network events.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/headless_print.h"
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
  bool names = true;
  std::vector<std::string> captures;
};

void usage() {
  std::fprintf(stderr,
               "usage: nodewren-headless [--data DIR] [--protocols FILE] [--no-names] CAPTURE...\n"
               "  --data DIR        where protocol.pdl, manf, multi and the name database are (default .)\n"
               "  --protocols FILE  another protocol file\n"
               "  --no-names        leave the name database alone: stations are named by their addresses\n");
}

// false on a bad command line.
bool parse(int argc, char** argv, options& o) {
  for (int i = 1; i < argc; ++i) {
    const bool has_value = i + 1 < argc;
    if (std::strcmp(argv[i], "--data") == 0 && has_value) {
      o.data = argv[++i];
    } else if (std::strcmp(argv[i], "--protocols") == 0 && has_value) {
      o.protocols = argv[++i];
    } else if (std::strcmp(argv[i], "--no-names") == 0) {
      o.names = false;
    } else if (argv[i][0] == '-') {
      return false;
    } else {
      o.captures.emplace_back(argv[i]);
    }
  }
  if (o.protocols.empty()) o.protocols = o.data + "/protocol.pdl";
  return !o.captures.empty();
}

}  // namespace

int main(int argc, char** argv) {
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

  int failures = 0;
  const std::vector<nw::headless_network> runs = nw::headless_run(o.captures, failures);
  for (const auto& run : runs) nw::headless_print_network(stdout, run);
  nw::headless_print_protocols(stdout, root);
  nw::headless_print_events(stdout);

  if (o.names) nw::ethers_close();
  return failures == 0 ? 0 : 1;
}
