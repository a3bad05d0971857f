// Helpers of the ethers tests: a fixture with the address families, a temporary directory,
// captured messages and a clean module; record makers.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>  // mkdtemp

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/message.h"
#include "namedb/cb_ether.h"
#include "tests/netaddr_test_support.h"

namespace nw::test {

class ethers_fixture : public with_families {
 protected:
  void SetUp() override {
    with_families::SetUp();
    ethers_reset();
    std::string pattern = (std::filesystem::temp_directory_path() / "nodewren-ethers-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    message_set_hook([this](const message& m) { messages_.push_back(m); });
  }
  void TearDown() override {
    ethers_reset();
    message_set_hook(nullptr);
    std::filesystem::remove_all(dir_);
  }

  [[nodiscard]] ethers_options options() const {
    ethers_options o;
    o.directory = dir_.string();
    return o;
  }
  [[nodiscard]] std::string path(const std::string& file) const { return (dir_ / file).string(); }
  [[nodiscard]] std::vector<std::uint8_t> bytes(const std::string& file) const {
    std::ifstream in(path(file), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void write(const std::string& file, const std::vector<std::uint8_t>& content) const {
    std::ofstream out(path(file), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
  }

  std::filesystem::path dir_;
  std::vector<message> messages_;
};

inline netaddr mac(std::string_view text) { return parse_addr(NETADDR_ETHER, text); }
inline netaddr ip(std::string_view text) { return parse_addr(NETADDR_IPV4, text); }

inline name_record record(std::string_view hw, std::optional<std::string> local, std::optional<std::string> ip_text,
                          std::optional<std::string> ip_name, int resolve) {
  name_record r;
  r.hw = mac(hw);
  r.local_name = std::move(local);
  if (ip_text) r.ip = ip(*ip_text);
  r.ip_name = std::move(ip_name);
  r.resolve = resolve;
  return r;
}

inline std::string text_of(const std::optional<netaddr>& addr) { return addr ? netaddr_to_text_new(*addr) : "(none)"; }

}  // namespace nw::test
