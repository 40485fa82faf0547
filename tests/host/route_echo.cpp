// A design file's own wiring as a router's route file.
#include "route_echo.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

namespace hosttest {

namespace {

// A minimal s-expression tree of a design file, enough to carry its padstacks and wiring over.
struct Sexpr {
  std::string atom;
  std::vector<Sexpr> items;
  bool list = false;
  std::string Head() const { return list && !items.empty() ? items[0].atom : ""; }
  std::string Text() const {
    if (!list) return atom;
    std::string text = "(";
    for (size_t i = 0; i < items.size(); ++i) text += (i ? " " : "") + items[i].Text();
    return text + ")";
  }
};

// Reads a design file as a router does: a quote character (at first '"', then the one
// "(string_quote c)" names) anywhere in a name takes what follows as it stands, blanks and
// parentheses too, up to the next quote or the line's end, and is no part of the name.
class SexprReader {
 public:
  explicit SexprReader(const std::string& text) : text_(text) {}
  Sexpr List() {
    Sexpr node;
    while (at_ < text_.size()) {
      const char c = text_[at_];
      if (isspace(static_cast<unsigned char>(c))) {
        ++at_;
      } else if (c == '(') {
        ++at_;
        Sexpr list = List();
        list.list = true;
        node.items.push_back(std::move(list));
      } else if (c == ')') {
        ++at_;
        return node;
      } else {
        node.items.push_back(Atom(!node.items.empty() && node.items.back().atom == "string_quote"));
      }
    }
    return node;
  }

 private:
  Sexpr Atom(bool names_quote) {
    Sexpr atom;
    if (names_quote) {
      quote_ = text_[at_];
      atom.atom = text_[at_++];
      return atom;
    }
    while (at_ < text_.size() && !isspace(static_cast<unsigned char>(text_[at_])) &&
           text_[at_] != '(' && text_[at_] != ')') {
      if (text_[at_] != quote_) {
        atom.atom += text_[at_++];
        continue;
      }
      for (++at_;
           at_ < text_.size() && text_[at_] != quote_ && text_[at_] != '\r' && text_[at_] != '\n';
           ++at_) {
        atom.atom += text_[at_];
      }
      if (at_ < text_.size() && text_[at_] == quote_) ++at_;
    }
    return atom;
  }

  const std::string& text_;
  size_t at_ = 0;
  char quote_ = '"';
};

const Sexpr* Child(const Sexpr& list, const std::string& head) {
  for (const Sexpr& item : list.items) {
    if (item.Head() == head) return &item;
  }
  return nullptr;
}

// The design file writes every length with a decimal point, and markers without one.
void ScaleLengths(Sexpr& node, int per_mil) {
  if (!node.list) {
    if (node.atom.find('.') != std::string::npos) {
      node.atom = std::to_string(std::llround(std::stod(node.atom) * per_mil));
    }
    return;
  }
  for (Sexpr& item : node.items) ScaleLengths(item, per_mil);
}

}  // namespace

std::string RouteFileOfDesign(const std::string& design, bool marks,
                              std::map<std::string, std::string> nets, int per_mil) {
  const Sexpr root = SexprReader(design).List();
  const Sexpr& pcb = root.items.at(0);
  // The router routes only the nets it read; it gives names back under the design's quote.
  std::set<std::string> network;
  for (const Sexpr& item : Child(pcb, "network")->items) {
    if (item.Head() == "net") network.insert(item.items.at(1).atom);
  }
  for (const auto& [net, routes] : nets) {
    if (network.contains(net)) continue;
    std::string read;
    for (const std::string& name : network) read += " " + name;
    throw std::invalid_argument("the router read no net " + net + " in the design file, only" +
                                read);
  }
  const Sexpr* parser = Child(pcb, "parser");
  std::string text = "(routes echo\n" + (parser ? parser->Text() + "\n" : "") + "(resolution mil " +
                     std::to_string(per_mil) + ")\n(library_out\n";
  auto scaled = [&](Sexpr node) {
    if (per_mil != 1) ScaleLengths(node, per_mil);
    return node.Text();
  };
  for (const Sexpr& item : Child(pcb, "library")->items) {
    if (item.Head() == "padstack") text += scaled(item) + "\n";
  }
  for (const Sexpr& item : Child(pcb, "wiring")->items) {
    if (item.Head() != "wire" && item.Head() != "via") continue;
    const Sexpr* net = Child(item, "net");
    Sexpr echoed;
    echoed.list = true;
    for (const Sexpr& part : item.items) {
      const bool mark = part.Head() == "turret" || part.Head() == "via_number";
      if (part.Head() != "net" && part.Head() != "type" && (marks || !mark)) {
        echoed.items.push_back(part);
      }
    }
    nets[net ? net->items.at(1).atom : ""] += scaled(echoed) + "\n";
  }
  text += ")\n(network_out\n";
  for (const auto& [net, routes] : nets) {
    text += net.empty() ? routes : "(net " + net + "\n" + routes + ")\n";
  }
  return text + "))\n";
}

std::vector<std::string> SavedObjects(const std::string& board, const std::string& section,
                                      bool numbers) {
  std::vector<std::string> lines;
  const size_t start = board.find("\n  \"" + section + "\": [");
  if (start == std::string::npos) return lines;
  std::istringstream in(board.substr(start + 1));
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line) && line.rfind("  ]", 0) != 0) {
    if (!numbers) line = std::regex_replace(line, std::regex("\"auxWord\":[0-9]+,"), "");
    if (!line.empty() && line.back() == ',') line.pop_back();
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

}  // namespace hosttest
