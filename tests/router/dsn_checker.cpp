// The design-file checker of the tests.
#include "router/dsn_checker.h"

#include <algorithm>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <string>

namespace dsntest {

namespace {

struct Pos {
  int line = 1;
  int column = 1;
};

struct Node {
  bool list = false;
  std::string text;  // the keyword of a list, or the atom
  Pos pos;
  std::vector<std::unique_ptr<Node>> items;  // after the keyword
};

class Checker {
 public:
  explicit Checker(std::string_view text) : text_(text) {}

  std::vector<std::string> Run() {
    CheckLineEnds();
    CheckIndentation();
    std::unique_ptr<Node> root = ParseTop();
    if (root) CheckPcb(*root);
    return problems_;
  }

 private:
  // ---- Lexing and the tree ----
  void Error(Pos pos, const std::string& what) {
    problems_.push_back(std::to_string(pos.line) + ":" + std::to_string(pos.column) + ": " + what);
  }

  void CheckLineEnds() {
    Pos pos;
    for (size_t i = 0; i < text_.size(); ++i) {
      if (text_[i] == '\n' && (i == 0 || text_[i - 1] != '\r')) Error(pos, "line ends without CR");
      if (text_[i] == '\r' && (i + 1 == text_.size() || text_[i + 1] != '\n')) {
        Error(pos, "CR without LF");
      }
      if (text_[i] == '\t') Error(pos, "tab character");
      Advance(pos, text_[i]);
    }
    if (!text_.empty() && text_.back() != '\n') Error(pos, "the last line has no line end");
  }

  // A statement line starts four blanks per open parenthesis (rule entries one more); a lone
  // closing line at its opener's depth. A layer rule lines its statements up on its own.
  void CheckIndentation() {
    int depth = 0, layer_rule = -1, line = 1;
    size_t begin = 0;
    while (begin < text_.size()) {
      size_t end = text_.find('\n', begin);
      if (end == std::string_view::npos) end = text_.size();
      std::string_view row = text_.substr(begin, end - begin);
      if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
      const size_t indent = std::min(row.find_first_not_of(' '), row.size());
      const std::string_view rest = row.substr(indent);
      const Pos pos{line, static_cast<int>(indent) + 1};
      if (layer_rule < 0 && rest == ")") {
        if (indent != 4u * static_cast<size_t>(depth - 1)) Error(pos, "closing line misplaced");
      } else if (layer_rule < 0 && !rest.empty() && rest[0] == '(') {
        if (indent != 4u * static_cast<size_t>(depth) &&
            indent != 4u * static_cast<size_t>(depth) + 1) {
          Error(pos, "statement indented " + std::to_string(indent) + " at depth " +
                         std::to_string(depth));
        }
      }
      if (layer_rule < 0 && rest.rfind("(layer_rule ", 0) == 0) layer_rule = depth;
      for (const char c : row) depth += c == '(' ? 1 : c == ')' ? -1 : 0;
      if (layer_rule >= 0 && depth <= layer_rule) layer_rule = -1;
      begin = end + 1;
      ++line;
    }
  }

  static void Advance(Pos& pos, char c) {
    if (c == '\n') {
      ++pos.line;
      pos.column = 1;
    } else {
      ++pos.column;
    }
  }

  void SkipBlanks() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\r' || text_[at_] == '\n')) {
      Advance(pos_, text_[at_++]);
    }
  }

  std::string Word() {
    std::string word;
    while (at_ < text_.size() && text_[at_] != ' ' && text_[at_] != '\r' && text_[at_] != '\n' &&
           text_[at_] != '(' && text_[at_] != ')') {
      word += text_[at_];
      Advance(pos_, text_[at_++]);
    }
    return word;
  }

  std::unique_ptr<Node> ParseTop() {
    SkipBlanks();
    if (at_ >= text_.size() || text_[at_] != '(') {
      Error(pos_, "the file does not start with '('");
      return nullptr;
    }
    std::unique_ptr<Node> root = ParseList();
    SkipBlanks();
    if (root && at_ < text_.size()) Error(pos_, "text after the closing parenthesis of pcb");
    return root;
  }

  // list ::= "(" keyword item* ")"
  std::unique_ptr<Node> ParseList() {
    auto node = std::make_unique<Node>();
    node->list = true;
    node->pos = pos_;
    Advance(pos_, text_[at_++]);  // "("
    if (at_ < text_.size() && text_[at_] == ' ') Error(pos_, "blank after '('");
    node->text = Word();
    if (node->text.empty()) {
      Error(node->pos, "list without a keyword");
      return nullptr;
    }
    for (;;) {
      SkipBlanks();
      if (at_ >= text_.size()) {
        Error(node->pos, "'(" + node->text + "' is never closed");
        return nullptr;
      }
      if (text_[at_] == ')') {
        Advance(pos_, text_[at_++]);
        return node;
      }
      if (text_[at_] == '(') {
        std::unique_ptr<Node> child = ParseList();
        if (!child) return nullptr;
        node->items.push_back(std::move(child));
      } else {
        auto atom = std::make_unique<Node>();
        atom->pos = pos_;
        atom->text = Word();
        node->items.push_back(std::move(atom));
      }
    }
  }

  // ---- Token classes ----
  static bool IsNumber(const std::string& text) {
    static const std::regex number(R"(-?[0-9]+(\.[0-9]+)?)");
    return std::regex_match(text, number);
  }
  static bool IsInteger(const std::string& text) {
    static const std::regex integer(R"(-?[0-9]+)");
    return std::regex_match(text, integer);
  }

  const Node* Atom(const Node& list, size_t index, const char* what) {
    if (index >= list.items.size() || list.items[index]->list) {
      Error(list.pos, "'(" + list.text + "' needs " + what);
      return nullptr;
    }
    return list.items[index].get();
  }
  void Number(const Node& list, size_t index, const char* what) {
    const Node* atom = Atom(list, index, what);
    if (atom && !IsNumber(atom->text)) {
      Error(atom->pos, std::string(what) + " is not a number: " + atom->text);
    }
  }
  void Layer(const Node& list, size_t index) {
    const Node* atom = Atom(list, index, "a layer");
    if (atom && IsNumber(atom->text)) Error(atom->pos, "a number where a layer belongs");
  }
  void Arity(const Node& list, size_t minimum, size_t maximum) {
    if (list.items.size() < minimum || list.items.size() > maximum) {
      Error(list.pos, "'(" + list.text + "' has " + std::to_string(list.items.size()) +
                          " items, expected " + std::to_string(minimum) +
                          (maximum == minimum ? "" : ".." + std::to_string(maximum)));
    }
  }
  // Only the lists named may appear in `list`; atoms only where `atoms` allows.
  void Allowed(const Node& list, const std::set<std::string>& keywords, size_t atoms) {
    for (size_t i = 0; i < list.items.size(); ++i) {
      const Node& item = *list.items[i];
      if (!item.list) {
        if (i >= atoms) Error(item.pos, "unexpected '" + item.text + "' in '(" + list.text + "'");
      } else if (!keywords.count(item.text)) {
        Error(item.pos, "'(" + item.text + "' is not allowed in '(" + list.text + "'");
      }
    }
  }

  // ---- Statements ----
  void CheckPcb(const Node& pcb) {
    if (pcb.text != "pcb") Error(pcb.pos, "the file is not a pcb but '" + pcb.text + "'");
    Atom(pcb, 0, "a design name");
    static const std::vector<std::string> order = {
        "parser", "resolution", "unit", "structure", "placement", "library", "network", "wiring"};
    Allowed(pcb, {order.begin(), order.end()}, 1);
    size_t last = 0;
    std::set<std::string> seen;
    for (const auto& item : pcb.items) {
      if (!item->list) continue;
      if (!seen.insert(item->text).second) Error(item->pos, "second '(" + item->text + "'");
      for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] != item->text) continue;
        if (i < last) Error(item->pos, "'(" + item->text + "' out of order");
        last = i;
      }
      if (item->text == "resolution") CheckResolution(*item);
    }
    // Definitions first, then the references.
    for (const auto& item : pcb.items) {
      if (item->list && item->text == "library") CheckLibrary(*item);
    }
    for (const auto& item : pcb.items) {
      if (item->list && item->text == "placement") CheckPlacement(*item);
    }
    for (const auto& item : pcb.items) {
      if (item->list && item->text == "structure") CheckStructure(*item);
    }
    for (const auto& item : pcb.items) {
      if (item->list && item->text == "network") CheckNetwork(*item);
    }
    for (const auto& item : pcb.items) {
      if (item->list && item->text == "wiring") CheckWiring(*item);
    }
  }

  void CheckResolution(const Node& node) {
    Arity(node, 2, 2);
    const Node* unit = Atom(node, 0, "a unit");
    static const std::set<std::string> units = {"inch", "mil", "cm", "mm", "um",
                                                "INCH", "MIL", "CM", "MM", "UM"};
    if (unit && !units.count(unit->text)) Error(unit->pos, "unknown unit " + unit->text);
    const Node* value = Atom(node, 1, "a resolution");
    if (value && !IsInteger(value->text)) Error(value->pos, "resolution is not an integer");
  }

  void CheckLibrary(const Node& library) {
    Allowed(library, {"image", "padstack"}, 0);
    for (const auto& item : library.items) {
      if (!item->list) continue;
      const Node* name = Atom(*item, 0, "a name");
      if (!name) continue;
      const bool image = item->text == "image";
      const bool known = image ? images_.count(name->text) != 0 : padstacks_.count(name->text) != 0;
      if (known) Error(name->pos, "second " + item->text + " " + name->text);
      if (image)
        images_[name->text];
      else
        padstacks_.insert(name->text);
    }
    for (const auto& item : library.items) {
      if (item->list && item->text == "padstack") CheckPadstack(*item);
    }
    for (const auto& item : library.items) {
      if (item->list && item->text == "image") CheckImage(*item);
    }
  }

  void CheckPadstack(const Node& padstack) {
    Allowed(padstack, {"shape", "attach", "rotate", "absolute"}, 1);
    for (const auto& item : padstack.items) {
      if (!item->list || item->text != "shape") continue;
      Arity(*item, 1, 1);
      if (!item->items.empty() && item->items[0]->list)
        CheckShape(*item->items[0]);
      else
        Error(item->pos, "'(shape' without a shape");
    }
  }

  void CheckShape(const Node& shape) {
    if (shape.text == "circle") {
      Layer(shape, 0);
      if (shape.items.size() != 2 && shape.items.size() != 4) Arity(shape, 2, 4);
      for (size_t i = 1; i < shape.items.size(); ++i) Number(shape, i, "a circle value");
    } else if (shape.text == "rect") {
      Arity(shape, 5, 5);
      Layer(shape, 0);
      for (size_t i = 1; i < 5; ++i) Number(shape, i, "a corner value");
    } else if (shape.text == "polygon" || shape.text == "path") {
      Layer(shape, 0);
      const size_t minimum = shape.text == "polygon" ? 8 : 6;  // layer, width, points
      if (shape.items.size() < minimum || shape.items.size() % 2 != 0) {
        Error(shape.pos, "'(" + shape.text + "' needs a layer, a width and whole points");
      }
      for (size_t i = 1; i < shape.items.size(); ++i) Number(shape, i, "a point value");
    } else {
      Error(shape.pos, "unknown shape '" + shape.text + "'");
    }
  }

  void CheckImage(const Node& image) {
    Allowed(image, {"pin", "keepout", "outline", "side", "via_keepout", "wire_keepout"}, 1);
    if (image.items.empty() || image.items[0]->list) return;  // reported with the library
    std::set<std::string>& pins = images_[image.items[0]->text];
    for (const auto& item : image.items) {
      if (!item->list) continue;
      if (item->text == "pin") CheckPin(*item, pins);
      if (item->text == "keepout") CheckKeepout(*item);
    }
  }

  // (pin padstack [(rotate r)] pin_id x y [(rotate r)])
  void CheckPin(const Node& pin, std::set<std::string>& pins) {
    std::vector<const Node*> atoms;
    for (const auto& item : pin.items) {
      if (!item->list) {
        atoms.push_back(item.get());
      } else if (item->text != "rotate") {
        Error(item->pos, "'(" + item->text + "' is not allowed in '(pin'");
      } else {
        Arity(*item, 1, 1);
        Number(*item, 0, "a rotation");
      }
    }
    if (atoms.size() != 4) {
      Error(pin.pos, "'(pin' needs a padstack, a pin name and a position");
      return;
    }
    if (!padstacks_.count(atoms[0]->text)) {
      Error(atoms[0]->pos, "undefined padstack " + atoms[0]->text);
    }
    if (!pins.insert(atoms[1]->text).second) {
      Error(atoms[1]->pos, "second pin " + atoms[1]->text + " in one image");
    }
    for (int i = 2; i < 4; ++i) {
      if (!IsNumber(atoms[i]->text)) Error(atoms[i]->pos, "pin position is not a number");
    }
  }

  void CheckKeepout(const Node& keepout) {
    size_t shapes = 0;
    for (const auto& item : keepout.items) {
      if (!item->list) continue;
      if (item->text == "sequence_number" || item->text == "rule" ||
          item->text == "clearance_class") {
        continue;
      }
      ++shapes;
      CheckShape(*item);
    }
    if (shapes != 1) Error(keepout.pos, "a keep-out needs one shape");
  }

  void CheckPlacement(const Node& placement) {
    Allowed(placement, {"component", "place_control"}, 0);
    for (const auto& item : placement.items) {
      if (!item->list || item->text != "component") continue;
      const Node* image = Atom(*item, 0, "an image name");
      Allowed(*item, {"place"}, 1);
      if (image && !images_.count(image->text)) {
        Error(image->pos, "undefined image " + image->text);
      }
      for (const auto& place : item->items) {
        if (!place->list) continue;
        Arity(*place, 5, 5);
        const Node* id = Atom(*place, 0, "a component name");
        Number(*place, 1, "x");
        Number(*place, 2, "y");
        const Node* side = Atom(*place, 3, "a side");
        if (side && side->text != "front" && side->text != "back") {
          Error(side->pos, "unknown side " + side->text);
        }
        Number(*place, 4, "a rotation");
        if (id && image) {
          if (!components_.emplace(id->text, image->text).second) {
            Error(id->pos, "second component " + id->text);
          }
        }
      }
    }
  }

  void CheckStructure(const Node& structure) {
    Allowed(structure,
            {"layer", "boundary", "via", "rule", "plane", "keepout", "via_keepout", "wire_keepout",
             "grid", "control", "layer_rule", "place_boundary", "snap_angle", "autoroute_settings",
             "room", "region"},
            0);
    for (const auto& item : structure.items) {
      if (!item->list) continue;
      if (item->text == "via") {
        for (const auto& name : item->items) {
          if (!name->list && !padstacks_.count(name->text)) {
            Error(name->pos, "undefined via padstack " + name->text);
          }
        }
      }
      if (item->text == "keepout") CheckKeepout(*item);
      if (item->text == "boundary") {
        Arity(*item, 1, 1);
        if (!item->items.empty() && item->items[0]->list) CheckShape(*item->items[0]);
      }
      if (item->text == "layer") CheckLayerNets(*item);
    }
  }

  // A power layer names each of its nets once.
  void CheckLayerNets(const Node& layer) {
    for (const auto& part : layer.items) {
      if (!part->list || part->text != "use_net") continue;
      std::set<std::string> nets;
      for (const auto& net : part->items) {
        if (!net->list && !nets.insert(net->text).second) {
          Error(net->pos, "use_net names " + net->text + " twice");
        }
      }
    }
  }

  // Via names defined as padstacks; a priority in the router's range; a length as
  // (length longest shortest); layers by name.
  void CheckCircuit(const Node& circuit) {
    Allowed(circuit, {"use_via", "priority", "use_layer", "length"}, 0);
    for (const auto& entry : circuit.items) {
      if (!entry->list) continue;
      if (entry->text == "use_via") {
        for (const auto& name : entry->items) {
          if (!padstacks_.count(name->text)) Error(name->pos, "undefined via " + name->text);
        }
      } else if (entry->text == "priority") {
        Arity(*entry, 1, 1);
        const Node* value = Atom(*entry, 0, "a priority");
        if (value && (!IsInteger(value->text) || std::stoi(value->text) < 1 ||
                      std::stoi(value->text) > 255)) {
          Error(value->pos, "priority outside 1..255: " + value->text);
        }
      } else if (entry->text == "use_layer") {
        if (entry->items.empty()) Error(entry->pos, "'(use_layer' without layers");
        for (size_t i = 0; i < entry->items.size(); ++i) Layer(*entry, i);
      } else if (entry->text == "length") {
        Arity(*entry, 2, 2);
        Number(*entry, 0, "a length");
        Number(*entry, 1, "a length");
        if (entry->items.size() == 2 && IsNumber(entry->items[0]->text) &&
            IsNumber(entry->items[1]->text) &&
            std::stod(entry->items[0]->text) < std::stod(entry->items[1]->text)) {
          Error(entry->pos, "the longest length must come first");
        }
      }
    }
  }

  // The pins, the rules and the pins' roles; a role names only pins of the net.
  void CheckNet(const Node& net) {
    Allowed(net,
            {"pins", "rule", "circuit", "layer_rule", "fromto", "source", "load", "terminator"}, 1);
    std::set<std::string> pins;
    for (const auto& part : net.items) {
      if (!part->list) continue;
      if (part->text == "pins") {
        CheckPinReferences(*part);
        for (const auto& pin : part->items) pins.insert(pin->text);
      } else if (part->text == "circuit") {
        CheckCircuit(*part);
      } else if (part->text == "fromto") {
        for (const auto& inner : part->items) {
          if (inner->list && inner->text == "circuit") CheckCircuit(*inner);
        }
      }
    }
    for (const auto& part : net.items) {
      if (!part->list ||
          (part->text != "source" && part->text != "load" && part->text != "terminator")) {
        continue;
      }
      if (part->items.empty()) Error(part->pos, "'(" + part->text + "' without pins");
      for (const auto& pin : part->items) {
        if (!pins.count(pin->text)) Error(pin->pos, pin->text + " is not a pin of the net");
      }
    }
  }

  void CheckNetwork(const Node& network) {
    Allowed(network, {"net", "class", "group", "group_set", "pair", "bundle", "fromto"}, 0);
    for (const auto& item : network.items) {
      if (!item->list || item->text != "net") continue;
      const Node* name = Atom(*item, 0, "a net name");
      if (name && !nets_.insert(name->text).second) Error(name->pos, "second net " + name->text);
    }
    for (const auto& item : network.items) {
      if (!item->list) continue;
      if (item->text == "net") {
        CheckNet(*item);
      } else if (item->text == "class") {
        Allowed(*item, {"rule", "circuit", "layer_rule"}, item->items.size());
        for (size_t i = 1; i < item->items.size(); ++i) {
          const Node& member = *item->items[i];
          if (!member.list && !nets_.count(member.text)) {
            Error(member.pos, "class names an undefined net " + member.text);
          }
          if (member.list && member.text == "circuit") CheckCircuit(member);
        }
      }
    }
  }

  // Each "<component>-<pin>" must be a pin of a placed component's image.
  void CheckPinReferences(const Node& pins) {
    for (const auto& reference : pins.items) {
      if (reference->list) continue;
      const size_t dash = reference->text.find('-');
      const auto component = components_.find(reference->text.substr(0, dash));
      if (dash == std::string::npos || component == components_.end() ||
          !images_[component->second].count(reference->text.substr(dash + 1))) {
        Error(reference->pos, "undefined pin " + reference->text);
      }
    }
  }

  void CheckWiring(const Node& wiring) {
    Allowed(wiring, {"wire", "via"}, 0);
    for (const auto& item : wiring.items) {
      if (!item->list) continue;
      for (const auto& part : item->items) {
        if (part->list && part->text == "net") {
          const Node* net = Atom(*part, 0, "a net name");
          if (net && !nets_.count(net->text)) Error(net->pos, "undefined net " + net->text);
        }
      }
      if (item->text == "via") {
        const Node* padstack = Atom(*item, 0, "a padstack");
        if (padstack && !padstacks_.count(padstack->text)) {
          Error(padstack->pos, "undefined padstack " + padstack->text);
        }
      }
    }
  }

  std::string_view text_;
  size_t at_ = 0;
  Pos pos_;
  std::vector<std::string> problems_;
  std::map<std::string, std::set<std::string>> images_;  // image -> its pins
  std::set<std::string> padstacks_;
  std::map<std::string, std::string> components_;  // placed component -> image
  std::set<std::string> nets_;
};

}  // namespace

std::vector<std::string> CheckDesignFile(std::string_view text) { return Checker(text).Run(); }

std::string Describe(const std::vector<std::string>& problems) {
  std::string text;
  for (const std::string& problem : problems) text += problem + "\n";
  return text;
}

}  // namespace dsntest
