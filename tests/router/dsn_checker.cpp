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

using Keywords = std::set<std::string>;

bool IsNumber(const std::string& text) {
  static const std::regex number(R"(-?[0-9]+(\.[0-9]+)?)");
  return std::regex_match(text, number);
}
bool IsInteger(const std::string& text) {
  static const std::regex integer(R"(-?[0-9]+)");
  return std::regex_match(text, integer);
}
std::string Quoted(const Node& list) { return "'(" + list.text + "'"; }

class Checker {
 public:
  explicit Checker(std::string_view text) : text_(text) {}

  std::vector<std::string> Run() {
    CheckLineEnds();
    CheckIndentation();
    SkipBlanks();
    if (at_ >= text_.size() || text_[at_] != '(') {
      Error(pos_, "the file does not start with '('");
      return problems_;
    }
    const std::unique_ptr<Node> root = ParseList();
    SkipBlanks();
    if (root && at_ < text_.size()) Error(pos_, "text after the closing parenthesis of pcb");
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
    for (size_t begin = 0, end; begin < text_.size(); begin = end + 1, ++line) {
      end = std::min(text_.find('\n', begin), text_.size());
      std::string_view row = text_.substr(begin, end - begin);
      if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
      const size_t indent = std::min(row.find_first_not_of(' '), row.size());
      const std::string_view rest = row.substr(indent);
      const size_t expected = 4u * static_cast<size_t>(depth);
      if (layer_rule < 0 && rest == ")") {
        if (indent + 4 != expected) Error({line, int(indent) + 1}, "closing line misplaced");
      } else if (layer_rule < 0 && rest.starts_with("(") && indent != expected &&
                 indent != expected + 1) {
        Error({line, int(indent) + 1}, "statement indented " + std::to_string(indent) +
                                           " at depth " + std::to_string(depth));
      }
      if (layer_rule < 0 && rest.starts_with("(layer_rule ")) layer_rule = depth;
      for (const char c : row) depth += c == '(' ? 1 : c == ')' ? -1 : 0;
      if (layer_rule >= 0 && depth <= layer_rule) layer_rule = -1;
    }
  }

  static void Advance(Pos& pos, char c) {
    pos.column = c == '\n' ? 1 : pos.column + 1;
    pos.line += c == '\n';
  }
  bool AtBlank() const { return text_[at_] == ' ' || text_[at_] == '\r' || text_[at_] == '\n'; }
  void SkipBlanks() {
    while (at_ < text_.size() && AtBlank()) Advance(pos_, text_[at_++]);
  }
  std::string Word() {
    std::string word;
    while (at_ < text_.size() && !AtBlank() && text_[at_] != '(' && text_[at_] != ')') {
      word += text_[at_];
      Advance(pos_, text_[at_++]);
    }
    return word;
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
    for (SkipBlanks(); at_ < text_.size() && text_[at_] != ')'; SkipBlanks()) {
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
    if (at_ >= text_.size()) {
      Error(node->pos, Quoted(*node) + " is never closed");
      return nullptr;
    }
    Advance(pos_, text_[at_++]);
    return node;
  }

  // ---- Items ----
  const Node* Atom(const Node& list, size_t index, const char* what) {
    if (index >= list.items.size() || list.items[index]->list) {
      Error(list.pos, Quoted(list) + " needs " + what);
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
      Error(list.pos, Quoted(list) + " has " + std::to_string(list.items.size()) +
                          " items, expected " + std::to_string(minimum) +
                          (maximum == minimum ? "" : ".." + std::to_string(maximum)));
    }
  }
  // Only the lists named may appear in `list`; atoms only where `atoms` allows.
  void Allowed(const Node& list, const Keywords& keywords, size_t atoms) {
    for (size_t i = 0; i < list.items.size(); ++i) {
      const Node& item = *list.items[i];
      if (!item.list && i >= atoms) {
        Error(item.pos, "unexpected '" + item.text + "' in " + Quoted(list));
      } else if (item.list && !keywords.count(item.text)) {
        Error(item.pos, Quoted(item) + " is not allowed in " + Quoted(list));
      }
    }
  }
  // Calls `check` with each list of `list` whose keyword is among `keywords`.
  template <class Check>
  void Each(const Node& list, const Keywords& keywords, Check check) {
    for (const auto& item : list.items) {
      if (item->list && keywords.count(item->text)) check(*item);
    }
  }
  // Names that must be defined.
  void Defined(const Node* name, const std::set<std::string>& defined, const std::string& what) {
    if (name && !defined.count(name->text)) Error(name->pos, what + " " + name->text);
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
    Each(pcb, {order.begin(), order.end()}, [&](const Node& item) {
      if (!seen.insert(item.text).second) Error(item.pos, "second " + Quoted(item));
      const size_t place = std::find(order.begin(), order.end(), item.text) - order.begin();
      if (place < last) Error(item.pos, Quoted(item) + " out of order");
      last = place;
    });
    Each(pcb, {"resolution"}, [&](const Node& node) {
      Arity(node, 2, 2);
      const Node* unit = Atom(node, 0, "a unit");
      static const Keywords units = {"inch", "mil", "cm", "mm", "um",
                                     "INCH", "MIL", "CM", "MM", "UM"};
      if (unit && !units.count(unit->text)) Error(unit->pos, "unknown unit " + unit->text);
      const Node* value = Atom(node, 1, "a resolution");
      if (value && !IsInteger(value->text)) Error(value->pos, "resolution is not an integer");
    });
    // Definitions first, then the references.
    Each(pcb, {"library"}, [&](const Node& library) { CheckLibrary(library); });
    Each(pcb, {"placement"}, [&](const Node& placement) { CheckPlacement(placement); });
    Each(pcb, {"structure"}, [&](const Node& structure) { CheckStructure(structure); });
    Each(pcb, {"network"}, [&](const Node& network) { CheckNetwork(network); });
    Each(pcb, {"wiring"}, [&](const Node& wiring) { CheckWiring(wiring); });
  }

  void CheckLibrary(const Node& library) {
    Allowed(library, {"image", "padstack"}, 0);
    Each(library, {"image", "padstack"}, [&](const Node& item) {
      const Node* name = Atom(item, 0, "a name");
      if (!name) return;
      const bool image = item.text == "image";
      if (image ? images_.count(name->text) != 0 : !padstacks_.insert(name->text).second) {
        Error(name->pos, "second " + item.text + " " + name->text);
      }
      if (image) images_[name->text];
    });
    Each(library, {"padstack"}, [&](const Node& padstack) {
      Allowed(padstack, {"shape", "attach", "rotate", "absolute"}, 1);
      Each(padstack, {"shape"}, [&](const Node& shape) {
        Arity(shape, 1, 1);
        if (!shape.items.empty() && shape.items[0]->list) {
          CheckShape(*shape.items[0]);
        } else {
          Error(shape.pos, "'(shape' without a shape");
        }
      });
    });
    Each(library, {"image"}, [&](const Node& image) {
      Allowed(image, {"pin", "keepout", "outline", "side", "via_keepout", "wire_keepout"}, 1);
      if (image.items.empty() || image.items[0]->list) return;  // reported with the library
      std::set<std::string>& pins = images_[image.items[0]->text];
      Each(image, {"pin"}, [&](const Node& pin) { CheckPin(pin, pins); });
      Each(image, {"keepout"}, [&](const Node& keepout) { CheckKeepout(keepout); });
    });
  }

  void CheckShape(const Node& shape) {
    const bool polygon = shape.text == "polygon";
    if (shape.text == "circle") {
      Layer(shape, 0);
      if (shape.items.size() != 2 && shape.items.size() != 4) Arity(shape, 2, 4);
      for (size_t i = 1; i < shape.items.size(); ++i) Number(shape, i, "a circle value");
    } else if (shape.text == "rect") {
      Arity(shape, 5, 5);
      Layer(shape, 0);
      for (size_t i = 1; i < 5; ++i) Number(shape, i, "a corner value");
    } else if (polygon || shape.text == "path") {
      Layer(shape, 0);
      // A layer, a width and whole points.
      if (shape.items.size() < (polygon ? 8u : 6u) || shape.items.size() % 2 != 0) {
        Error(shape.pos, Quoted(shape) + " needs a layer, a width and whole points");
      }
      for (size_t i = 1; i < shape.items.size(); ++i) Number(shape, i, "a point value");
    } else {
      Error(shape.pos, "unknown shape '" + shape.text + "'");
    }
  }

  // (pin padstack [(rotate r)] pin_id x y [(rotate r)])
  void CheckPin(const Node& pin, std::set<std::string>& pins) {
    Allowed(pin, {"rotate"}, pin.items.size());
    std::vector<const Node*> atoms;
    for (const auto& item : pin.items) {
      if (!item->list) atoms.push_back(item.get());
    }
    Each(pin, {"rotate"}, [&](const Node& rotate) {
      Arity(rotate, 1, 1);
      Number(rotate, 0, "a rotation");
    });
    if (atoms.size() != 4) {
      Error(pin.pos, "'(pin' needs a padstack, a pin name and a position");
      return;
    }
    Defined(atoms[0], padstacks_, "undefined padstack");
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
      if (!item->list || item->text == "sequence_number" || item->text == "rule" ||
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
    Each(placement, {"component"}, [&](const Node& component) {
      const Node* image = Atom(component, 0, "an image name");
      Allowed(component, {"place"}, 1);
      Defined(image, Keys(images_), "undefined image");
      Each(component, {"place"}, [&](const Node& place) {
        Arity(place, 5, 5);
        const Node* id = Atom(place, 0, "a component name");
        Number(place, 1, "x");
        Number(place, 2, "y");
        const Node* side = Atom(place, 3, "a side");
        if (side && side->text != "front" && side->text != "back") {
          Error(side->pos, "unknown side " + side->text);
        }
        Number(place, 4, "a rotation");
        if (id && image && !components_.emplace(id->text, image->text).second) {
          Error(id->pos, "second component " + id->text);
        }
      });
    });
  }

  static std::set<std::string> Keys(const std::map<std::string, std::set<std::string>>& map) {
    std::set<std::string> keys;
    for (const auto& [key, value] : map) keys.insert(key);
    return keys;
  }

  void CheckStructure(const Node& structure) {
    Allowed(structure,
            {"layer", "boundary", "via", "rule", "plane", "keepout", "via_keepout", "wire_keepout",
             "grid", "control", "layer_rule", "place_boundary", "snap_angle", "autoroute_settings",
             "room", "region"},
            0);
    Each(structure, {"via"}, [&](const Node& via) {
      for (const auto& name : via.items) {
        if (!name->list) Defined(name.get(), padstacks_, "undefined via padstack");
      }
    });
    Each(structure, {"keepout"}, [&](const Node& keepout) { CheckKeepout(keepout); });
    Each(structure, {"boundary"}, [&](const Node& boundary) {
      Arity(boundary, 1, 1);
      if (!boundary.items.empty() && boundary.items[0]->list) CheckShape(*boundary.items[0]);
    });
    // A power layer names each of its nets once.
    Each(structure, {"layer"}, [&](const Node& layer) {
      Each(layer, {"use_net"}, [&](const Node& use_net) {
        std::set<std::string> nets;
        for (const auto& net : use_net.items) {
          if (!net->list && !nets.insert(net->text).second) {
            Error(net->pos, "use_net names " + net->text + " twice");
          }
        }
      });
    });
  }

  // Via names defined as padstacks; a priority in the router's range; a length as
  // (length longest shortest); layers by name.
  void CheckCircuit(const Node& circuit) {
    Allowed(circuit, {"use_via", "priority", "use_layer", "length"}, 0);
    Each(circuit, {"use_via"}, [&](const Node& use_via) {
      for (const auto& name : use_via.items) Defined(name.get(), padstacks_, "undefined via");
    });
    Each(circuit, {"priority"}, [&](const Node& priority) {
      Arity(priority, 1, 1);
      const Node* value = Atom(priority, 0, "a priority");
      if (value &&
          (!IsInteger(value->text) || std::stoi(value->text) < 1 || std::stoi(value->text) > 255)) {
        Error(value->pos, "priority outside 1..255: " + value->text);
      }
    });
    Each(circuit, {"use_layer"}, [&](const Node& use_layer) {
      if (use_layer.items.empty()) Error(use_layer.pos, "'(use_layer' without layers");
      for (size_t i = 0; i < use_layer.items.size(); ++i) Layer(use_layer, i);
    });
    Each(circuit, {"length"}, [&](const Node& length) {
      Arity(length, 2, 2);
      Number(length, 0, "a length");
      Number(length, 1, "a length");
      if (length.items.size() == 2 && IsNumber(length.items[0]->text) &&
          IsNumber(length.items[1]->text) &&
          std::stod(length.items[0]->text) < std::stod(length.items[1]->text)) {
        Error(length.pos, "the longest length must come first");
      }
    });
  }

  // The pins, the rules and the pins' roles; a role names only pins of the net.
  void CheckNet(const Node& net) {
    Allowed(net,
            {"pins", "rule", "circuit", "layer_rule", "fromto", "source", "load", "terminator"}, 1);
    std::set<std::string> pins;
    Each(net, {"pins"}, [&](const Node& list) {
      CheckPinReferences(list);
      for (const auto& pin : list.items) pins.insert(pin->text);
    });
    Each(net, {"circuit"}, [&](const Node& circuit) { CheckCircuit(circuit); });
    Each(net, {"fromto"}, [&](const Node& fromto) {
      Each(fromto, {"circuit"}, [&](const Node& circuit) { CheckCircuit(circuit); });
    });
    Each(net, {"source", "load", "terminator"}, [&](const Node& role) {
      if (role.items.empty()) Error(role.pos, Quoted(role) + " without pins");
      for (const auto& pin : role.items) {
        if (!pins.count(pin->text)) Error(pin->pos, pin->text + " is not a pin of the net");
      }
    });
  }

  void CheckNetwork(const Node& network) {
    Allowed(network, {"net", "class", "group", "group_set", "pair", "bundle", "fromto"}, 0);
    Each(network, {"net"}, [&](const Node& net) {
      const Node* name = Atom(net, 0, "a net name");
      if (name && !nets_.insert(name->text).second) Error(name->pos, "second net " + name->text);
    });
    Each(network, {"net"}, [&](const Node& net) { CheckNet(net); });
    Each(network, {"class"}, [&](const Node& net_class) {
      Allowed(net_class, {"rule", "circuit", "layer_rule"}, net_class.items.size());
      for (size_t i = 1; i < net_class.items.size(); ++i) {
        const Node& member = *net_class.items[i];
        if (!member.list) Defined(&member, nets_, "class names an undefined net");
      }
      Each(net_class, {"circuit"}, [&](const Node& circuit) { CheckCircuit(circuit); });
    });
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
    Each(wiring, {"wire", "via"}, [&](const Node& item) {
      Each(item, {"net"},
           [&](const Node& net) { Defined(Atom(net, 0, "a net name"), nets_, "undefined net"); });
      if (item.text == "via")
        Defined(Atom(item, 0, "a padstack"), padstacks_, "undefined padstack");
    });
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

std::string Crlf(std::string text) {
  for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2) {
    text.insert(at, "\r");
  }
  return text;
}

}  // namespace dsntest
