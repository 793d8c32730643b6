#include "editor/resource_script.h"

#include "editor/resource.h"
#include "host/catalogue.h"

namespace tessel::editor {

std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') {
      out += "\"\"";
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string menuScript(int id, const menus::Node* nodes, std::size_t count) {
  std::string out = std::to_string(id) + " MENU\nBEGIN\n  POPUP \"\"\n  BEGIN\n";
  std::string indent = "    ";
  for (std::size_t i = 0; i < count; ++i) {
    const menus::Node& n = nodes[i];
    switch (n.kind) {
      case menus::Kind::item:
        out += indent + "MENUITEM " + quoted(menus::labelOf(n.id)) + ", " + std::to_string(n.id) + "\n";
        break;
      case menus::Kind::separator: out += indent + "MENUITEM SEPARATOR\n"; break;
      case menus::Kind::popup:
        out += indent + "POPUP " + quoted(n.label) + "\n";
        out += indent + "BEGIN\n";
        indent += "  ";
        break;
      case menus::Kind::end:
        indent.resize(indent.size() - 2);
        out += indent + "END\n";
        break;
    }
  }
  return out + "  END\nEND\n\n";
}

std::string catalogueScript() {
  std::string out = "// Generated from the catalogue and the menu tree; not to be edited.\n\n";
  out += menuScript(TESSEL_MENU_ACTIONS, menus::kActionMenu, std::size(menus::kActionMenu));
  // No conditions: a separator only, so the menu has no popup to offer.
  out += std::to_string(TESSEL_MENU_CONDITIONS) + " MENU\nBEGIN\n  MENUITEM SEPARATOR\nEND\n\n";
  out += menuScript(TESSEL_MENU_EXPRESSIONS, menus::kExpressionMenu, std::size(menus::kExpressionMenu));
  out += "STRINGTABLE\nBEGIN\n";
  for (const auto& a : catalogue::kActions) out += "  " + std::to_string(a.stringId()) + " " + quoted(a.display) + "\n";
  for (const auto& e : catalogue::kExpressions)
    out += "  " + std::to_string(e.stringId()) + " " + quoted(e.name) + "\n";
  return out + "END\n";
}

}  // namespace tessel::editor
