// Chained hash table of 256 fixed buckets: every look-up of the network and protocol models.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

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
template <typename Key, typename Value>
class hash_table {
 public:
  struct entry {
    std::unique_ptr<entry> next;
    Key key;
    Value value;
  };

  explicit hash_table(const ht_functions<Key>& functions) : fns_(functions) {}

  hash_table(const hash_table&) = delete;
  hash_table& operator=(const hash_table&) = delete;

  ~hash_table() {
    // Chains are unlinked one entry at a time so a long chain cannot exhaust the stack.
    for (auto& head : buckets_) {
      while (head) head = std::move(head->next);
    }
  }

  [[nodiscard]] std::uint32_t count() const { return count_; }

  // The stored value of key, or nullptr; never allocates.
  [[nodiscard]] Value* find(const Key& key) const {
    for (entry* e = buckets_[bucket_of(key)].get(); e != nullptr; e = e->next.get()) {
      if (fns_.compare(e->key, key) == 0) return &e->value;
    }
    return nullptr;
  }

  // New entries go to the head of their chain, so a chain lists its keys newest first.
  Value& push_front(const Key& key, Value value) {
    auto& head = buckets_[bucket_of(key)];
    head = std::unique_ptr<entry>(new entry{std::move(head), key, std::move(value)});
    ++count_;
    return head->value;
  }

  // 1 when an entry was removed, 0 when none matched.
  int remove(const Key& key) {
    for (std::unique_ptr<entry>* link = &buckets_[bucket_of(key)]; *link; link = &(*link)->next) {
      if (fns_.compare((*link)->key, key) == 0) {
        *link = std::move((*link)->next);
        --count_;
        return 1;
      }
    }
    return 0;
  }

  // Bucket 0 to 255, each chain from its head; fn must not insert or remove.
  template <typename Fn>
  void foreach (Fn&& fn) const {
    for (const auto& head : buckets_) {
      for (entry* e = head.get(); e != nullptr; e = e->next.get()) fn(e->key, e->value);
    }
  }

 private:
  [[nodiscard]] std::size_t bucket_of(const Key& key) const { return fns_.hash(key) % HT_BUCKETS; }

  ht_functions<Key> fns_;
  std::uint32_t count_ = 0;
  std::array<std::unique_ptr<entry>, HT_BUCKETS> buckets_{};
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
