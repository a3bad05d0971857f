// Chained hash table of 256 fixed buckets: every look-up of the network and protocol models.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace nw {

inline constexpr std::size_t HT_BUCKETS = 256;

// The caller's view of a key: a hash and an equality test (compare returns 0 when equal).
template <typename Key>
struct ht_functions {
  std::uint32_t (*hash)(const Key& key);
  int (*compare)(const Key& stored_key, const Key& key);
};

// The text hash: h = (h << 2) ^ c over the characters, each taken as a signed octet.
std::uint32_t ht_text_hash(const std::string& text);
int ht_text_compare(const std::string& stored_key, const std::string& key);
inline constexpr ht_functions<std::string> ht_text_functions{ht_text_hash, ht_text_compare};

// Keys and values are stored as copies of the caller's: a pointer type stores the reference
// unchanged (the caller owns the record), an owning type (std::string) owns its copy, so the
// release functions of a C table are the destructors here.
//
// The 256 chains define what callers see: ht_foreach runs bucket 0 to 255, each chain newest
// first. Look-ups in a table past HT_INDEX_MIN entries go through an open-addressing index of
// the entries instead of the chain, so that a table of 50,000 hosts costs a probe or two, not
// a walk of 200 entries. Only non-empty chains are stored, in bucket order, so the many tables
// that stay empty or hold a few entries (a host's links) cost a few words, and a walk visits
// the entries, not 256 buckets.
inline constexpr std::uint32_t HT_INDEX_MIN = 16;

// Whether a table keeps that index: a table that is walked and almost never looked up (a
// host's links) is cheaper without it, in memory and in every insertion.
enum class ht_lookups { indexed, by_chain };

template <typename Key, typename Value>
class hash_table {
 public:
  struct entry {
    std::unique_ptr<entry> next;
    std::uint32_t hash;
    Key key;
    Value value;
  };

  explicit hash_table(const ht_functions<Key>& functions, ht_lookups lookups = ht_lookups::indexed)
      : fns_(functions), indexed_(lookups == ht_lookups::indexed) {}

  hash_table(const hash_table&) = delete;
  hash_table& operator=(const hash_table&) = delete;

  ~hash_table() {
    // Chains are unlinked one entry at a time so a long chain cannot exhaust the stack.
    for (chain& c : chains_) {
      while (c.head) c.head = std::move(c.head->next);
    }
  }

  [[nodiscard]] std::uint32_t count() const { return count_; }

  // The stored value of key, or nullptr; never allocates.
  [[nodiscard]] Value* find(const Key& key) const {
    const std::uint32_t hash = fns_.hash(key);
    if (!index_.empty()) {
      for (std::size_t i = slot_of(hash);; i = (i + 1) & (index_.size() - 1)) {
        entry* e = index_[i];
        if (e == nullptr) return nullptr;
        if (e->hash == hash && fns_.compare(e->key, key) == 0) return &e->value;
      }
    }
    const auto c = chain_of(chains_, hash);
    if (!holds(chains_, c, hash)) return nullptr;
    for (entry* e = c->head.get(); e != nullptr; e = e->next.get()) {
      if (e->hash == hash && fns_.compare(e->key, key) == 0) return &e->value;
    }
    return nullptr;
  }

  // Adds an entry for a key the table does not hold yet, at the head of its chain.
  Value& push_front(const Key& key, Value value) {
    const std::uint32_t hash = fns_.hash(key);
    auto c = chain_of(chains_, hash);
    if (!holds(chains_, c, hash)) c = chains_.insert(c, chain{static_cast<std::uint32_t>(hash % HT_BUCKETS), nullptr});
    auto& head = c->head;
    head = std::unique_ptr<entry>(new entry{std::move(head), hash, key, std::move(value)});
    ++count_;
    if (indexed_ && count_ > HT_INDEX_MIN && count_ * 2 > index_.size()) {
      rebuild_index();
    } else if (!index_.empty()) {
      index_put(head.get());
    }
    return head->value;
  }

  // 1 when an entry was removed, 0 when none matched.
  int remove(const Key& key) {
    const std::uint32_t hash = fns_.hash(key);
    const auto c = chain_of(chains_, hash);
    if (!holds(chains_, c, hash)) return 0;
    for (std::unique_ptr<entry>* link = &c->head; *link; link = &(*link)->next) {
      if ((*link)->hash == hash && fns_.compare((*link)->key, key) == 0) {
        *link = std::move((*link)->next);
        if (!c->head) chains_.erase(c);
        --count_;
        rebuild_index();  // removal is rare: no table on the frame path removes
        return 1;
      }
    }
    return 0;
  }

  // Bucket 0 to 255, each chain from its head; fn must not insert or remove.
  template <typename Fn>
  void foreach (Fn&& fn) const {
    for (const chain& c : chains_) {
      for (entry* e = c.head.get(); e != nullptr; e = e->next.get()) fn(e->key, e->value);
    }
  }

 private:
  // A non-empty bucket's entries, newest first.
  struct chain {
    std::uint32_t bucket;
    std::unique_ptr<entry> head;
  };

  // The chain of hash's bucket in chains, or where it would go.
  template <typename Chains>
  [[nodiscard]] static auto chain_of(Chains& chains, std::uint32_t hash) {
    return std::lower_bound(chains.begin(), chains.end(), hash % HT_BUCKETS,
                            [](const chain& c, std::uint32_t bucket) { return c.bucket < bucket; });
  }
  // Whether chain_of found hash's bucket rather than the place for it.
  template <typename Chains, typename Iterator>
  [[nodiscard]] static bool holds(const Chains& chains, Iterator c, std::uint32_t hash) {
    return c != chains.end() && c->bucket == hash % HT_BUCKETS;
  }

  // Multiplicative mixing, taking the product's top bits: the address hashes of one vendor
  // differ mostly in their low bits.
  [[nodiscard]] std::size_t slot_of(std::uint32_t hash) const {
    return static_cast<std::size_t>((hash * 0x9E3779B1U) >> (32 - index_bits_));
  }

  void index_put(entry* e) {
    std::size_t i = slot_of(e->hash);
    while (index_[i] != nullptr) i = (i + 1) & (index_.size() - 1);
    index_[i] = e;
  }

  // Sized to at most half full, so probes stay short.
  void rebuild_index() {
    index_.clear();
    if (!indexed_ || count_ <= HT_INDEX_MIN) return;
    index_bits_ = 6;
    while ((std::size_t{1} << index_bits_) < std::size_t{count_} * 4) ++index_bits_;
    index_.assign(std::size_t{1} << index_bits_, nullptr);
    for (const chain& c : chains_) {
      for (entry* e = c.head.get(); e != nullptr; e = e->next.get()) index_put(e);
    }
  }

  ht_functions<Key> fns_;
  bool indexed_;
  std::uint32_t count_ = 0;
  std::vector<chain> chains_;  // by bucket
  std::vector<entry*> index_;  // empty until the table passes HT_INDEX_MIN entries
  unsigned index_bits_ = 0;    // index_ holds 2^index_bits_ slots
};

// 1 when found (the value is copied to *out), 0 when not (*out is left alone).
template <typename Key, typename Value>
[[nodiscard]] int ht_lookup(const hash_table<Key, Value>& table, const Key& key, Value* out) {
  const Value* found = table.find(key);
  if (found == nullptr) return 0;
  *out = *found;
  return 1;
}

// 0 when a new entry was made, 1 when the key existed and its value was replaced. The value is
// stored as given: for a pointer value the record it refers to is not released.
template <typename Key, typename Value>
int ht_insert(hash_table<Key, Value>& table, const Key& key, Value value) {
  if (Value* found = table.find(key)) {
    *found = std::move(value);
    return 1;
  }
  table.push_front(key, std::move(value));
  return 0;
}

// As ht_insert, but the table stores its own copy of the value and releases the copy it
// replaces.
template <typename Key, typename Value>
int ht_insert_copy(hash_table<Key, Value>& table, const Key& key, const Value& value) {
  return ht_insert(table, key, Value(value));
}

template <typename Key, typename Value>
int ht_remove(hash_table<Key, Value>& table, const Key& key) {
  return table.remove(key);
}

template <typename Key, typename Value, typename Fn>
void ht_foreach(const hash_table<Key, Value>& table, Fn&& fn) {
  table.foreach (std::forward<Fn>(fn));
}

}  // namespace nw
