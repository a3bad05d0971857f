// Any alarm file, however broken, must end in at most one message with the alarms read before
// it: never a crash, a hang or runaway memory. Every alarm read is then written, and the
// written file must read back quietly as exactly the same lines; and the alarms are bound and
// checked once against a network with the shipped protocol tree.
#include <cstdint>
#include <string>
#include <string_view>

#include "alarm/adl.h"
#include "alarm/alarm.h"
#include "alarm/alarm_check.h"
#include "alarm/alarm_text.h"
#include "core/message.h"
#include "core/netaddr_ether.h"
#include "core/netaddr_ipv4.h"
#include "core/netaddr_tr.h"
#include "model/model_config.h"
#include "model/net.h"
#include "pdl/pdl.h"

namespace {

int messages = 0;
nw::net* network = nullptr;

std::string written(const nw::alarm_list& list) {
  std::string text;
  for (const auto& alarm : list) text += nw::alarm_to_text(*alarm);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  nw::message_set_hook([](const nw::message&) { ++messages; });
  nw::netaddr_registry_init();
  (void)nw::netaddr_ether_register();
  (void)nw::netaddr_ipv4_register();
  (void)nw::netaddr_tr_register();
  if (nw::pdl_load(NODEWREN_SOURCE_DIR "/data/protocol.pdl") == nullptr) __builtin_trap();
  nw::net_list_init();
  network = nw::net_new(nw::adapter_desc{"fuzz", "", nw::NETTYPE_ETHERNET, 10'000'000, false});
  messages = 0;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  nw::alarm_init();
  messages = 0;
  const std::string first = written(nw::adl_load_text(std::string_view(reinterpret_cast<const char*>(data), size)));
  if (messages > 1) __builtin_trap();

  nw::alarm_init();
  messages = 0;
  if (written(nw::adl_load_text(first)) != first || messages != 0) __builtin_trap();

  nw::alarm_register_all();
  {
    nw::model_lock lock;
    nw::alarm_bind(*network);
    nw::alarm_check(*network);
  }
  if (nw::alarm_pending().size() + nw::alarm_active().size() != nw::alarm_list_current().size()) __builtin_trap();
  nw::alarm_init();
  return 0;
}
