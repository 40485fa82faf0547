// A design file's own wiring as a router's route file.
#include "route_echo.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <regex>
#include <sstream>

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

Sexpr ParseSexpr(const std::string& text, size_t& at) {
  Sexpr node;
  while (at < text.size()) {
    const char c = text[at];
    if (isspace(static_cast<unsigned char>(c))) {
      ++at;
    } else if (c == '(') {
      ++at;
      Sexpr list = ParseSexpr(text, at);
      list.list = true;
      node.items.push_back(std::move(list));
    } else if (c == ')') {
      ++at;
      return node;
    } else {
      Sexpr atom;
      while (at < text.size() && !isspace(static_cast<unsigned char>(text[at])) &&
             text[at] != '(' && text[at] != ')') {
        atom.atom += text[at++];
      }
      node.items.push_back(std::move(atom));
    }
  }
  return node;
}

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
  size_t at = 0;
  const Sexpr root = ParseSexpr(design, at);
  const Sexpr& pcb = root.items.at(0);
  std::string text =
      "(routes echo\n(resolution mil " + std::to_string(per_mil) + ")\n(library_out\n";
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
