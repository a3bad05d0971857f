// The protocol file's grammar and the tree it builds. The grammar has no error recovery: the
// first syntax error ends reading, and whatever was complete before it stays.
#include "pdl/pdl.h"

#include <vector>

#include "core/file_read.h"
#include "core/message.h"
#include "core/str_cache.h"
#include "pdl/pd_dispatch.h"
#include "pdl/pd_resolve.h"
#include "pdl/pdl_scan.h"
#include "pdl/symbol.h"

namespace nw {
namespace {

constexpr std::uint32_t STR_PRODUCT_NAME = 50000;
constexpr std::uint32_t STR_COULD_NOT_OPEN = 50040;

constexpr const char* PARSE_ERROR = "parse error";
constexpr const char* STACK_OVERFLOW = "parser stack overflow";
// Shown when a file multiplies subtrees past PD_NODE_LIMIT; the places left without their
// subtree still count their frames.
constexpr const char* TREE_TOO_LARGE = "protocol tree too large";

// The parser's stack holds at most this many entries; each nested length block takes four.
constexpr int STACK_LIMIT = 10000;
constexpr int STACK_PER_LENGTH_BLOCK = 4;
constexpr int STACK_BASE = 12;

protocol_node* root = nullptr;  // owned by the reading thread; read-only after pdl_load

struct syntax_error {
  const char* report;
  int line;
};

struct range {
  std::uint32_t first;
  std::uint32_t second;
};

// Descriptions are cut to the field's 39 bytes without splitting a UTF-8 character.
std::string fitted_description(std::string_view text) {
  if (text.size() <= PD_NAME_MAX) return std::string(text);
  std::size_t cut = PD_NAME_MAX;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return std::string(text.substr(0, cut));
}

// Is `target` in the subtree below `top` (or `top` itself)?
bool subtree_holds(const protocol_node* top, const protocol_node* target) {
  if (top == target) return true;
  std::vector<const protocol_node*> pending{top->child};
  while (!pending.empty()) {
    const protocol_node* n = pending.back();
    pending.pop_back();
    for (; n != nullptr; n = n->next) {
      if (n == target) return true;
      pending.push_back(n->child);
    }
  }
  return false;
}

class parser {
 public:
  explicit parser(std::string_view text) : scanner_(text) { advance(); }

  void parse_file() {
    while (token_.kind == pdl_token_kind::kw_primitive) parse_primitive();
    while (token_.kind == pdl_token_kind::kw_protocol) parse_block();
    if (token_.kind != pdl_token_kind::end) fail();
  }

 private:
  [[noreturn]] void fail(const char* report = PARSE_ERROR) { throw syntax_error{report, token_.line}; }

  // Names are entered in the symbol table as they are scanned.
  void advance() {
    token_ = scanner_.next();
    if (token_.kind != pdl_token_kind::name) return;
    if (token_.text.size() > PD_NAME_MAX) fail();
    symbol_enter(std::string(token_.text));
  }

  pdl_token expect(pdl_token_kind kind) {
    if (token_.kind != kind) fail();
    pdl_token taken = token_;
    advance();
    return taken;
  }

  bool at_fieldtype() const {
    using enum pdl_token_kind;
    const auto k = token_.kind;
    return k == kw_byte || k == kw_word || k == kw_lword || k == kw_mask;
  }

  symbol* expect_name() { return symbol_find(std::string(expect(pdl_token_kind::name).text)); }
  std::uint32_t expect_number() { return expect(pdl_token_kind::number).number; }

  range parse_range() {
    const std::uint32_t first = expect_number();
    if (token_.kind != pdl_token_kind::comma) return {first, first};
    advance();
    return {first, expect_number()};
  }

  static protocol_def* def_of(symbol* sym) {
    if (sym->def == nullptr) sym->def = pd_def_new(sym->name);
    return sym->def;
  }

  protocol_def* parse_valuedef() {
    symbol* sym = expect_name();
    expect(pdl_token_kind::colon);
    const range r = parse_range();
    protocol_def* def = def_of(sym);
    def->low = r.first;
    def->high = r.second;
    return def;
  }

  void parse_primitive() {
    expect(pdl_token_kind::kw_primitive);
    protocol_def* def = parse_valuedef();
    const std::string_view description = expect(pdl_token_kind::string).text;
    symbol_find(def->name)->kind = SYMBOL_PRIMITIVE;
    def->description = fitted_description(description);
  }

  std::uint32_t parse_fieldtype() {
    std::uint32_t type = 0;
    if (token_.kind == pdl_token_kind::kw_mask) {
      type |= PD_FIELD_MASK;
      advance();
    }
    switch (token_.kind) {
      case pdl_token_kind::kw_byte: type |= 1; break;
      case pdl_token_kind::kw_word: type |= 2; break;
      case pdl_token_kind::kw_lword: type |= 4; break;
      default: fail();
    }
    advance();
    if (token_.kind == pdl_token_kind::open_paren) {
      advance();
      if (token_.kind == pdl_token_kind::kw_ibo) {
        type |= PD_FIELD_IBO;
      } else if (token_.kind != pdl_token_kind::kw_nbo) {
        fail();
      }
      advance();
      expect(pdl_token_kind::close_paren);
    }
    return type;
  }

  length_rule* parse_lengthtest() {
    length_rule* rule = pd_rule_new();
    rule->field_type = parse_fieldtype();
    expect(pdl_token_kind::colon);
    rule->offset = expect_number();
    if (token_.kind == pdl_token_kind::kw_length) {
      advance();
      rule->field_type |= PD_FIELD_LENGTH;
      if (token_.kind == pdl_token_kind::number) rule->value = expect_number();
      return rule;
    }
    if (token_.kind == pdl_token_kind::number) {
      rule->value = expect_number();
      expect(pdl_token_kind::equals);
      rule->masked_value = expect_number();
    } else {
      symbol* sym = expect_name();
      if (token_.kind == pdl_token_kind::equals) {
        advance();
        rule->masked_value = expect_number();
      }
      // A condition can only compare with a protocol or primitive that has a value.
      if (sym->def == nullptr) fail();
      rule->value = sym->def->high;
    }
    rule->increment = expect_number();
    return rule;
  }

  // Items stay in file order; a nested block after an item becomes that item's then list.
  length_rule* parse_lengthblock() {
    depth_ += STACK_PER_LENGTH_BLOCK;
    if (depth_ >= STACK_LIMIT) fail(STACK_OVERFLOW);
    expect(pdl_token_kind::plus);
    expect(pdl_token_kind::open_brace);
    length_rule* first = nullptr;
    length_rule** tail = &first;
    do {
      length_rule* rule = parse_lengthtest();
      *tail = rule;
      tail = &rule->next;
      if (token_.kind == pdl_token_kind::plus) rule->then = parse_lengthblock();
    } while (at_fieldtype());
    expect(pdl_token_kind::close_brace);
    depth_ -= STACK_PER_LENGTH_BLOCK;
    return first;
  }

  // The node a block describes: the one child lines made for it, or a new indexed one.
  protocol_node* block_node(protocol_def* def) {
    protocol_node* node = pd_index_find(def);
    if (node == nullptr) {
      node = pd_node_new(def);
      def->refs = 0;
      pd_index_put(def, node);
    } else if (def->refs < 1) {
      fail();  // a second block for a protocol that no child line names
    }
    return node;
  }

  // The node a child line makes or takes, entered at the front of the block's list.
  void parse_child(protocol_node* block, protocol_node** children) {
    const std::uint32_t type = parse_fieldtype();
    expect(pdl_token_kind::colon);
    const range r = parse_range();
    protocol_def* def = def_of(expect_name());
    protocol_node* node = pd_index_find(def);
    if (node == nullptr) {
      node = pd_node_new(def);
      def->refs = 1;
      pd_index_put(def, node);
    } else if (def->refs != 0) {
      node = pd_node_new(def);
      def->refs += 1;
    } else {
      // The node of a block written earlier: placing it under one of its own descendants
      // would make the tree a loop.
      if (subtree_holds(node, block)) fail();
      def->refs = 1;
    }
    def->field_type = type;
    node->offset = r.first;
    node->offset2 = r.second;
    node->two_offsets = r.first != r.second ? 1 : 0;
    node->next = *children;
    *children = node;
  }

  // Every block ends with a node that matches any frame, so nothing that reaches a block
  // goes uncounted.
  static protocol_node* make_catch_all(const protocol_def* block_def) {
    symbol* sym = symbol_enter("OTHER_" + block_def->name);
    sym->kind = SYMBOL_PRIMITIVE;
    sym->kind = SYMBOL_CATCH_ALL;
    sym->def = pd_def_new(sym->name);
    sym->def->refs = 1;
    sym->def->low = 0;
    sym->def->high = 0xFFFFFFFFU;
    sym->def->description = fitted_description("Other " + block_def->description);
    return pd_node_new(sym->def);
  }

  void parse_block() {
    expect(pdl_token_kind::kw_protocol);
    protocol_def* def = parse_valuedef();
    const std::string_view description = expect(pdl_token_kind::string).text;
    const std::uint32_t header_length = expect_number();
    protocol_node* node = block_node(def);
    def->header_length = header_length;
    def->description = fitted_description(description);
    if (token_.kind == pdl_token_kind::plus) def->length_rules = parse_lengthblock();
    if (def->name.size() + 6 > PD_NAME_MAX) fail();  // its catch-all's name would not fit

    expect(pdl_token_kind::open_brace);
    protocol_node* children = nullptr;
    do {
      parse_child(node, &children);
    } while (at_fieldtype());
    expect(pdl_token_kind::close_brace);

    protocol_node** tail = &children;
    while (*tail != nullptr) tail = &(*tail)->next;
    *tail = make_catch_all(def);
    node->child = children;
    if (root == nullptr) root = node;
  }

  pdl_scanner scanner_;
  pdl_token token_;
  int depth_ = STACK_BASE;
};

void show_syntax_error(const syntax_error& error) {
  message_error(message_format("%s на линии [%d]", error.report, error.line), message_icon::none);
}

}  // namespace

protocol_node* pdl_load_text(std::string_view text) {
  pd_model_reset();
  symbol_reset();
  root = nullptr;
  try {
    parser(text).parse_file();
  } catch (const syntax_error& error) {
    show_syntax_error(error);
  }
  if (root != nullptr) {
    // Copies nested two levels deep are completed by the second pass.
    if (pd_resolve(root) == 0 || pd_resolve(root) == 0) {
      message_error(TREE_TOO_LARGE, message_icon::none);
    }
    pd_dispatch_build(root);
  }
  return root;
}

protocol_node* pdl_load(const std::string& path) {
  std::string text;
  if (file_read_all(path, &text) != file_read_result::done) {
    pd_model_reset();
    symbol_reset();
    root = nullptr;
    message_show({message_format(str_text(STR_COULD_NOT_OPEN), path.c_str()),
                  str_text(STR_PRODUCT_NAME), message_icon::exclamation});
    return nullptr;
  }
  return pdl_load_text(text);
}

protocol_node* pdl_root() { return root; }

}  // namespace nw
