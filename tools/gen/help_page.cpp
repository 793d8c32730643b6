// Writes tessel-help.html, the reference page shipped beside the module, from
// the catalogue, the menu trees, the notes, the topics and the format facts.
// It leaves a mark where the style and the script go; assemble_help.cmake
// puts help_page.css and help_page.js there, so the shipped page is one file.
//
//   help_page VERSION OUT.html [EXAMPLE.tessel...]
//
// Each example script is shown with the output in the .expected file beside it.
#include <cctype>
#include <cstddef>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "host/catalogue.h"
#include "host/catalogue_notes.h"
#include "host/format_facts.h"
#include "host/help_topics.h"
#include "host/menus.h"
#include "tools/console/lowered.h"
#include "tools/console/options.h"

namespace {

using namespace tessel;
using catalogue::ParamKind;
using console::lowered;

std::string escaped(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string slug(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (std::isalnum(static_cast<unsigned char>(c))) {
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else if (!out.empty() && out.back() != '-') {
      out += '-';
    }
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out;
}

std::string kindChip(ParamKind p) {
  return std::string("<span class=\"kind kind-") + catalogue::paramKindName(p) + "\">" + catalogue::paramKindName(p) +
         "</span>";
}

// The action's display string without the digits and the object's name, its
// parameters shown by name.
std::string displayHtml(const catalogue::Action& a) {
  std::string d = a.display;
  const std::size_t colon = d.find(": ");
  d = colon == std::string::npos ? d : d.substr(colon + 2);
  std::string out;
  int param = 0;
  for (std::size_t i = 0; i < d.size(); ++i) {
    if (d[i] == '%' && i + 1 < d.size() && d[i + 1] == 's') {
      out += "<var>" + escaped(a.params[param < 2 ? param : 1].name) + "</var>";
      ++param;
      ++i;
    } else {
      out += escaped(std::string(1, d[i]));
    }
  }
  return out;
}

std::string callHtml(const catalogue::Expression& e) {
  std::string out = "<span class=\"fn\">" + escaped(e.name) + "</span>";
  for (int i = 0; i < e.paramCount(); ++i) out += (i ? ", " : "") + ("<var>" + escaped(e.params[i].name) + "</var>");
  return out + "<span class=\"fn\">)</span>";
}

std::string callText(const catalogue::Expression& e) {
  std::string out = e.name;
  for (int i = 0; i < e.paramCount(); ++i) out += std::string(i ? ", " : "") + e.params[i].name;
  return out + ")";
}

const char* resultText(catalogue::ResultKind r) {
  switch (r) {
    case catalogue::ResultKind::integer: return "integer";
    case catalogue::ResultKind::storeText: return "text (a copy of the stored text)";
    case catalogue::ResultKind::builtText: return "text (built for the call)";
  }
  return "";
}

std::string paramTable(const catalogue::Parameter* params, int count) {
  if (count == 0) return "<p class=\"noparams\">No parameters.</p>";
  std::string out = "<table class=\"params\"><tbody>";
  for (int i = 0; i < count; ++i) {
    const char* meaning = catalogue::meaningOf(params[i].name);
    out += "<tr><th scope=\"row\"><var>" + escaped(params[i].name) + "</var></th><td>" + kindChip(params[i].kind) +
           "</td><td>" + escaped(meaning ? meaning : "") + "</td></tr>";
  }
  return out + "</tbody></table>";
}

// The menu path of a node, as the host's editor shows it.
std::string pathText(const std::vector<std::string>& path) {
  std::string out;
  for (const std::string& p : path) out += (out.empty() ? "" : " \xE2\x80\xBA ") + p;
  return out;
}

// Parent popups muted, the popup that holds the items in full.
std::string groupHeading(const std::vector<std::string>& path) {
  if (path.empty()) return "Top level";
  std::string out = "<span class=\"crumbs\">";
  for (std::size_t i = 0; i + 1 < path.size(); ++i) out += escaped(path[i]) + " \xE2\x80\xBA ";
  return out + "</span>" + escaped(path.back());
}

// Every note of an entry, its own and its groups', each as a paragraph, and
// their words for the filter.
std::string notesHtml(const catalogue::Note* own, const char* operation, std::string& search) {
  std::string out;
  catalogue::forEachNote(own, operation, [&](const char* note) {
    out += "<p class=\"note\">" + escaped(note) + "</p>";
    search += std::string(" ") + note;
  });
  return out;
}

// For an action on a file: what it does with a bad one, from the formats' table.
std::string badFileHtml(int action, std::string& search) {
  std::string out = "<dl class=\"bad-files\">";
  const bool onFile = facts::forEachBadFileOf(action, [&](const facts::BadFile& b, const char* what) {
    out += "<div><dt>" + escaped(b.name) + "</dt><dd>" + escaped(what) + "</dd></div>";
    search += std::string(" ") + b.name + " " + what;
  });
  if (!onFile) return "";
  search += " bad file";
  return out +
         "</dl><p class=\"note\">The game is told none of this; the console host and the workbench say "
         "what happened. See <a href=\"#bad-files\">bad and damaged files</a>.</p>";
}

// A script with its comments set apart.
std::string scriptHtml(const std::string& text) {
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string line = text.substr(start, end - start);
    const std::size_t first = line.find_first_not_of(" \t");
    out += first != std::string::npos && line[first] == '#' ? "<span class=\"comment\">" + escaped(line) + "</span>"
                                                            : escaped(line);
    start = end;
  }
  return out;
}

class Page {
 public:
  Page(std::string version, std::vector<std::string> examples)
      : version_(std::move(version)), examples_(std::move(examples)) {}

  std::string render() {
    body_ << "<main id=\"content\">";
    intro();
    gettingStarted();
    setup();
    concepts();
    menu("Actions", "actions", menus::kActionMenu, sizeof menus::kActionMenu / sizeof menus::kActionMenu[0]);
    menu("Expressions", "expressions", menus::kExpressionMenu,
         sizeof menus::kExpressionMenu / sizeof menus::kExpressionMenu[0]);
    formats();
    console();
    exampleScripts();
    body_ << "<p id=\"no-match\" hidden>Nothing on this page matches <strong></strong>.<span "
             "id=\"near\"></span></p>"
          << "<footer class=\"page-foot\">Tessel " << escaped(version_)
          << ". Free to use in any game, under the MIT licence.</footer></main>";

    std::ostringstream page;
    page << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
         << "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
         << "<title>Tessel reference</title><style>\n/*TESSEL-STYLE*/</style></head><body>"
         << "<header class=\"top\"><a class=\"brand\" href=\"#top\">Tessel <span>reference</span></a>"
         << "<div class=\"search\"><input id=\"filter\" type=\"search\" placeholder=\"Filter by name or words\" "
            "aria-label=\"Filter the whole page\" autocomplete=\"off\" spellcheck=\"false\">"
         << "<kbd class=\"hint\" title=\"Press / to filter\">/</kbd><span id=\"count\" "
            "aria-live=\"polite\"></span></div>"
         << "<button id=\"menu-toggle\" aria-controls=\"toc\" aria-expanded=\"false\">Contents</button></header>"
         << "<div class=\"layout\" id=\"top\"><nav id=\"toc\" aria-label=\"Contents\">" << toc_.str() << "</ul></nav>"
         << body_.str() << "</div><script>\n/*TESSEL-SCRIPT*/</script></body></html>\n";
    return page.str();
  }

 private:
  void section(const std::string& id, const std::string& title, const std::string& lead = "") {
    body_ << "<section class=\"topic\" id=\"" << id << "\"><h2>" << escaped(title) << "</h2>";
    if (!lead.empty()) body_ << "<p class=\"lead\">" << lead << "</p>";
    toc_ << "<li><a href=\"#" << id << "\">" << escaped(title) << "</a>";
  }

  void end() {
    body_ << "</section>";
    toc_ << "</li>";
  }

  void intro() {
    toc_ << "<ul class=\"toc\">";
    body_ << "<section class=\"hero\" id=\"about\"><div><h1>Tessel reference</h1><p>Tessel gives a game an array "
             "object. Each instance owns one resizable array of elements: empty, a 32-bit integer, a string or raw "
             "bytes, each with an optional key. The array is read as a list (1D), a grid of columns and rows (2D) or "
             "pages of grids (3D); a 2D array is also a <a href=\"#recordset\">recordset</a> with labelled columns "
             "and SQL-like row selection.</p><p>The game changes the array with actions and reads it with "
             "expressions, listed here as the editor's menus group them. Type in the filter above to find one by its "
             "label, its expression name or the words of its description; every entry can be linked to, as <a "
             "href=\"#action-34\">#action-34</a> or <a href=\"#expr-41\">#expr-41</a>.</p></div>"
          << "<ul class=\"stats\"><li><a href=\"#actions\"><strong>" << catalogue::kActionCount
          << "</strong> actions</a></li><li><a href=\"#expressions\"><strong>" << catalogue::kExpressionCount
          << "</strong> expressions</a></li><li><a href=\"#formats\"><strong>" << facts::kModuleFormatCount
          << "</strong> file formats</a></li></ul></section>";
  }

  // The examples a first reader is walked through, by file name, in order.
  struct Walkthrough {
    const char* example;
    const char* title;
  };
  static constexpr Walkthrough kWalkthroughs[] = {
      {"inventory", "An inventory with keys"},
      {"level_map", "A level map in 3D"},
      {"high_scores", "A high-score table: sorting and SELECT WHERE"},
  };

 public:
  static const auto& walkthroughs() { return kWalkthroughs; }

 private:
  static bool isWalkthrough(const std::string& name) {
    for (const Walkthrough& w : kWalkthroughs) {
      if (name == w.example) return true;
    }
    return false;
  }

  void gettingStarted() {
    section("start", "Getting started",
            "In a game, a Tessel object holds what a level or a save needs as one table of cells: the items a "
            "player carries with their counts, the tiles of a map page by page, a high-score table to sort and "
            "query. Events fill and change it with actions and read it with expressions; files keep it between "
            "sessions. The three walkthroughs below are the lines a creator writes in the event editor, each "
            "action as its display string reads, and what they give.");
    for (const Walkthrough& w : kWalkthroughs) {
      const std::string* script = nullptr;
      for (const std::string& e : examples_) {
        if (exampleName(e) == w.example) script = &e;
      }
      if (script == nullptr) continue;  // the generator's caller checks that every walkthrough was given
      examplePair("walk", w.example, w.title, *script);
    }
    body_ << "<div class=\"two\"><div class=\"part\"><h3 id=\"workbench\">The workbench</h3><p><a "
             "href=\"tessel-workbench.html\">tessel-workbench.html</a>, beside this page, opens array files in a "
             "web browser with a double-click, offline and with nothing to install: look inside a level or a "
             "save, edit cells, keys and labels, check a damaged file, compare two files and turn a spreadsheet "
             "into an item table, without the game. It runs this module itself, so what it saves is what the "
             "game saves.</p></div><div class=\"part\"><h3>The console</h3><p><a "
             "href=\"#console\">tessel</a> runs these same lines from a script or a prompt, without the game, "
             "and checks, converts and compares files (<code>tessel run examples/inventory.tessel</code>).</p>"
             "</div></div>";
    end();
  }

  void setup() {
    section("setup", "The object and its setup",
            "A new object opens the setup dialog; its Help button opens this page. The dialog's values are read "
            "once, when the object is created at run time; actions change the array's settings afterwards, but "
            "never the setup.");
    body_ << "<div class=\"table-wrap\"><table class=\"grid stack\"><thead><tr><th>Field</th><th>Choices</th>"
             "<th>New object</th><th>What it does</th></tr></thead><tbody>";
    for (const topics::SetupField& f : topics::kSetupFields) {
      body_ << "<tr class=\"part\"><th scope=\"row\">" << escaped(f.group) << "</th><td data-label=\"Choices\"><div>"
            << escaped(f.choices) << "</div></td><td data-label=\"New object\"><div><code>" << escaped(f.newObject)
            << "</code></div></td><td data-label=\"What it does\"><div>" << escaped(f.meaning) << "</div></td></tr>";
    }
    body_ << "</tbody></table></div>";
    end();
  }

  // Terms and what they mean, from a table whose entries name the term `Term`.
  template <auto Term, typename Entry, std::size_t N>
  void terms(const Entry (&entries)[N]) {
    body_ << "<dl class=\"concepts\">";
    for (const Entry& e : entries) {
      body_ << "<div class=\"part\"><dt>" << escaped(e.*Term) << "</dt><dd>" << escaped(e.text) << "</dd></div>";
    }
    body_ << "</dl>";
  }

  void concepts() {
    section("elements", "Elements, keys and lists");
    terms<&topics::Topic::term>(topics::kElementConcepts);
    end();
    section("recordset", "The recordset",
            "A 2D array is a table of rows and columns. Queries choose which rows the recordset shows.");
    terms<&topics::Topic::term>(topics::kRecordsetConcepts);
    end();
  }

  void actionEntry(const catalogue::Action& a, const std::vector<std::string>& path) {
    const catalogue::Note* note = catalogue::actionNote(a.number);
    std::string search = std::string(a.label) + " " + a.display + " " + a.summary + " action " +
                         std::to_string(a.number) + " " + pathText(path);
    const std::string notes = notesHtml(note, a.operation, search) + badFileHtml(a.number, search);
    body_ << "<article class=\"entry\" id=\"action-" << a.number << "\" data-search=\"" << escaped(lowered(search))
          << "\"><header><a class=\"num\" href=\"#action-" << a.number << "\" title=\"Link to this action\">A"
          << a.number << "</a><h4 class=\"label\">" << escaped(a.label) << "</h4></header>"
          << "<p class=\"syntax\">" << displayHtml(a) << "</p><p class=\"summary\">" << escaped(a.summary) << "</p>";
    body_ << paramTable(a.params, a.paramCount()) << notes;
    for (const catalogue::Action& other : catalogue::kActions) {
      if (other.number != a.number && catalogue::sameText(other.label, a.label)) {
        body_ << "<p class=\"twin\">The same menu label names <a href=\"#action-" << other.number << "\">action "
              << other.number << "</a>: " << escaped(other.summary) << "</p>";
      }
    }
    if (note && *note->example) body_ << "<pre class=\"example\"><code>" << escaped(note->example) << "</code></pre>";
    body_ << "</article>";
  }

  void expressionEntry(const catalogue::Expression& e, const std::vector<std::string>& path) {
    const catalogue::Note* note = catalogue::expressionNote(e.number);
    std::string search = std::string(e.label) + " " + callText(e) + " " + e.summary + " expression " +
                         std::to_string(e.number) + " " + pathText(path);
    const std::string notes = notesHtml(note, e.operation, search);
    body_ << "<article class=\"entry\" id=\"expr-" << e.number << "\" data-search=\"" << escaped(lowered(search))
          << "\"><header><a class=\"num\" href=\"#expr-" << e.number << "\" title=\"Link to this expression\">E"
          << e.number << "</a><h4 class=\"label\">" << escaped(e.label) << "</h4></header>"
          << "<p class=\"syntax\">" << callHtml(e) << " <span class=\"result\">\xE2\x86\x92 "
          << escaped(resultText(e.result)) << "</span></p><p class=\"summary\">" << escaped(e.summary) << "</p>";
    body_ << paramTable(e.params, e.paramCount()) << notes;
    for (const catalogue::Expression& other : catalogue::kExpressions) {
      if (other.number != e.number && catalogue::sameText(other.operation, e.operation)) {
        body_ << "<p class=\"twin\">Gives the same result as <a href=\"#expr-" << other.number << "\">"
              << escaped(callText(other)) << "</a>.</p>";
      }
    }
    if (note && *note->example) body_ << "<pre class=\"example\"><code>" << escaped(note->example) << "</code></pre>";
    body_ << "</article>";
  }

  // One group per run of items under the same popup path; a separator in the
  // menu is a rule between entries.
  void menu(const char* title, const char* id, const menus::Node* nodes, std::size_t count) {
    section(id, title,
            std::string(id) == "actions"
                ? "Actions change the array. In the editor, each is an item of the object's action menu; the line "
                  "under the label is its display string, with the parameters in their places."
                : "Expressions read the array and give an integer or a text. The line under the label is the "
                  "expression as it is written in the host's expression editor.");
    toc_ << "<ul>";
    std::vector<std::string> path;
    std::string open;     // the path of the group being written
    std::string lastTop;  // the top-level popup the contents last named
    bool inGroup = false;
    for (std::size_t i = 0; i < count; ++i) {
      const menus::Node& n = nodes[i];
      if (n.kind == menus::Kind::popup) {
        path.emplace_back(n.label);
        continue;
      }
      if (n.kind == menus::Kind::end) {
        path.pop_back();
        continue;
      }
      const std::string here = path.empty() ? "Top level" : pathText(path);
      if (!inGroup || here != open) {
        if (inGroup) body_ << "</div></div>";
        // A popup whose items resume after a submenu gets a second group of its own.
        std::string groupId = std::string(id) + "-" + slug(here);
        const int seen = ++groupIds_[groupId];
        if (seen > 1) groupId += "-" + std::to_string(seen);
        body_ << "<div class=\"group\" id=\"" << groupId << "\"><h3>" << groupHeading(path)
              << "</h3><div class=\"entries\">";
        const std::string top = path.empty() ? "Top level" : path.front();
        if (top != lastTop) {
          toc_ << "<li><a href=\"#" << groupId << "\">" << escaped(top) << "</a></li>";
          lastTop = top;
        }
        open = here;
        inGroup = true;
      }
      if (n.kind == menus::Kind::separator) {
        body_ << "<hr class=\"menu-separator\">";
        continue;
      }
      if (n.id >= catalogue::kFirstExpressionMenuId) {
        expressionEntry(catalogue::kExpressions[n.id - catalogue::kFirstExpressionMenuId], path);
      } else {
        actionEntry(catalogue::kActions[n.id - catalogue::kFirstActionMenuId], path);
      }
    }
    if (inGroup) body_ << "</div></div>";
    toc_ << "</ul>";
    end();
  }

  template <std::size_t N>
  std::string actionLinks(const facts::FileActionUse (&actions)[N]) {
    std::string out;
    for (const facts::FileActionUse& a : actions) {
      const int n = a.action;
      if (n < 0) break;
      out.append("<a class=\"num\" href=\"#action-").append(std::to_string(n)).append("\" title=\"");
      out.append(escaped(catalogue::kActions[n].label)).append("\">A").append(std::to_string(n)).append("</a> ");
    }
    return out;
  }

  void formats() {
    using namespace facts;
    section("formats", "File formats",
            "Five kinds of file. Only the native array file gives back everything it was given; the others trade "
            "parts of the array for a format other programs read.");
    body_ << "<div class=\"format-cards\">";
    for (const FormatInfo& f : kModuleFormats) {
      body_ << "<div class=\"format-card part\"><h3>" << escaped(f.name) << "</h3><p>" << escaped(f.summary)
            << "</p><p class=\"actions-ref\">" << actionLinks(f.actions) << "</p></div>";
    }
    body_ << "</div><h3 id=\"keep-lose\">What a save and a load keep</h3><div class=\"table-wrap\"><table "
             "class=\"grid facts stack\"><thead><tr><th></th>";
    for (const FormatInfo& f : kModuleFormats) body_ << "<th scope=\"col\">" << escaped(f.name) << "</th>";
    body_ << "</tr></thead><tbody>";
    for (const Aspect& a : kAspects) {
      body_ << "<tr class=\"part\"><th scope=\"row\">" << escaped(a.name) << "</th>";
      for (std::size_t k = 0; k < kModuleFormatCount; ++k) {
        const FateNote& o = a.by[k];
        body_ << "<td class=\"fate-" << fateName(o.fate) << "\" data-label=\"" << escaped(kFormats[k].name)
              << "\"><div><span class=\"fate\">" << fateName(o.fate) << "</span>";
        if (*o.note) body_ << " <span class=\"why\">" << escaped(o.note) << "</span>";
        body_ << "</div></td>";
      }
      body_ << "</tr>";
    }
    body_ << "</tbody></table></div>";
    badFiles();
    body_ << "<div class=\"two\"><div><h3 id=\"csv\">The CSV dialect</h3>";
    terms<&Rule::topic>(kCsvDialect);
    body_ << "</div><div><h3 id=\"ini\">The INI layout</h3>";
    terms<&Rule::topic>(kIniLayout);
    body_ << "<pre class=\"example\"><code>[QVXArray]\nsword=1\npotion=3\n=rusty\n\n</code></pre></div></div>";
    consoleFormat(
        "<h3 id=\"sheet\">Spreadsheet CSV (sheet), in the console host</h3><p>Games read only the CSV above. "
        "The console host <code>tessel</code> also reads and writes the CSV that spreadsheets make, as the "
        "format named <code>sheet</code>:</p>",
        kSheetDialect,
        "tessel --header --from sheet --to native convert items.csv items.arr\n"
        "tessel --header --to sheet convert items.arr items.csv");
    consoleFormat(
        "<h3 id=\"json\">JSON (json), in the console host</h3><p><code>tessel show --json</code> and "
        "<code>tessel convert --to json</code> write the whole array as JSON, which <code>tessel</code> "
        "reads back as the format named <code>json</code>, so other tools can make array files:</p>",
        kJsonForm, "tessel convert items.arr items.json\ntessel convert items.json items.arr", kJsonExample);
    consoleFormat(
        "<h3 id=\"tilemap\">Tile maps (tilemap), in the console host</h3><p><code>tessel</code> reads the "
        "maps of tile map editors as 3D arrays, as the format named <code>tilemap</code>, and writes an "
        "array back into a copy of a map:</p>",
        kTileMapForm, "tessel convert level.tmj level.arr\ntessel convert --template level.tmj level.arr edited.tmj",
        kTileMapExample);
    end();
  }

  // A format only the console host reads: what it is, its rules, the commands
  // that convert it and, where one helps, an example file.
  template <std::size_t N>
  void consoleFormat(const char* intro, const facts::Rule (&rules)[N], const char* commands, const char* example = "") {
    body_ << intro;
    terms<&facts::Rule::topic>(rules);
    body_ << "<pre class=\"example\"><code>" << commands << "</code></pre>";
    if (*example) body_ << "<pre class=\"example\"><code>" << escaped(example) << "</code></pre>";
  }

  // What each load and save does with a bad file, a row a case; the entries of
  // the file actions show their format's column.
  void badFiles() {
    using namespace facts;
    body_ << "<h3 id=\"bad-files\">Bad and damaged files: what a load and a save do</h3><p class=\"lead part\">A "
             "game is told nothing when a file is bad: the actions go on as described here. The console host "
             "(<code>tessel check</code>) and the workbench say which case it was.</p><div class=\"table-wrap\">"
             "<table class=\"grid facts stack\"><thead><tr><th></th>";
    for (const FormatInfo& f : kModuleFormats) body_ << "<th scope=\"col\">" << escaped(f.name) << "</th>";
    body_ << "</tr></thead><tbody>";
    for (const BadFile& b : kBadFiles) {
      std::string search = std::string("bad file ") + b.name;
      for (const char* by : b.by) search += std::string(" ") + by;
      body_ << "<tr class=\"part\" data-search=\"" << escaped(lowered(search)) << "\"><th scope=\"row\">"
            << escaped(b.name) << "</th>";
      for (std::size_t k = 0; k < kModuleFormatCount; ++k) {
        body_ << "<td data-label=\"" << escaped(kFormats[k].name) << "\"><div>" << escaped(b.by[k]) << "</div></td>";
      }
      body_ << "</tr>";
    }
    body_ << "</tbody></table></div>";
  }

  void console() {
    section("console", "The console host",
            "<code>tessel</code> loads the module as a game host does and drives it from scripts or a terminal, so "
            "arrays, files and queries can be tried without the game.");
    const auto commands = [this](const auto& list) {
      body_ << "<dl class=\"concepts commands\">";
      for (const topics::Topic& t : list) {
        body_ << "<div class=\"part\"><dt><code>" << escaped(t.term) << "</code></dt><dd>"
              << escaped(facts::withFormatLists(t.text)) << "</dd></div>";
      }
      body_ << "</dl>";
    };
    commands(topics::kConsoleHost);
    body_ << "<h3>Commands at the prompt</h3>";
    commands(topics::kShellCommands);
    body_ << "<h3 id=\"console-options\">Options</h3><p>On the command line before the command; the setup options "
             "also after <code>new NAME</code>, the show options after <code>show</code>. An option's value may also "
             "follow an equals sign (<code>--dims=2</code>).</p>";
    for (const auto& scope : console::options::kScopes) {
      body_ << "<h4>" << escaped(scope.heading) << "</h4><dl class=\"concepts commands\">";
      for (const auto& o : console::options::kOptions) {
        if (o.scope != scope.scope) continue;
        std::string term = o.name;
        if (o.shortName != nullptr) term += std::string(", ") + o.shortName;
        if (o.operand != nullptr) term += std::string(" ") + o.operand;
        body_ << "<div class=\"part\"><dt><code>" << escaped(term) << "</code></dt><dd>"
              << escaped(facts::withFormatLists(o.help)) << "</dd></div>";
      }
      body_ << "</dl>";
    }
    end();
  }

  static std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

  static std::string exampleName(const std::string& script) {
    const std::size_t slash = script.find_last_of("/\\");
    const std::string name = script.substr(slash == std::string::npos ? 0 : slash + 1);
    return name.substr(0, name.rfind('.'));
  }

  // A script beside its output, as the .expected file beside it has it.
  void examplePair(const char* kind, const std::string& name, const std::string& title, const std::string& script) {
    const std::string expected = script.substr(0, script.rfind('.')) + ".expected";
    body_ << "<div class=\"example-pair part\" id=\"" << kind << "-" << slug(name) << "\"><h3>" << escaped(title)
          << " <code>" << escaped(name)
          << ".tessel</code></h3><div class=\"two\"><figure><figcaption>Script</figcaption><pre class=\"script\">"
          << scriptHtml(fileText(script)) << "</pre></figure><figure><figcaption>Output</figcaption><pre "
          << "class=\"output\">" << escaped(fileText(expected)) << "</pre></figure></div></div>";
  }

  void exampleScripts() {
    std::vector<const std::string*> others;
    for (const std::string& e : examples_) {
      if (!isWalkthrough(exampleName(e))) others.push_back(&e);
    }
    if (others.empty()) return;
    section("examples", "Examples",
            "More scripts for the console host, with what they print, beside the walkthroughs of <a "
            "href=\"#start\">Getting started</a>. The tests run them and compare every line.");
    for (const std::string* script : others) {
      const std::string name = exampleName(*script);
      std::string title = name;
      for (char& c : title) c = c == '_' ? ' ' : c;
      title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(title[0])));
      examplePair("example", name, title, *script);
    }
    end();
  }

  std::string version_;
  std::vector<std::string> examples_;
  std::map<std::string, int> groupIds_;
  std::ostringstream body_;
  std::ostringstream toc_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: help_page VERSION OUT.html [EXAMPLE.tessel...]\n";
    return 2;
  }
  std::vector<std::string> examples(argv + 3, argv + argc);
  for (const std::string& e : examples) {
    if (!std::ifstream(e)) {
      std::cerr << "help_page: cannot read " << e << '\n';
      return 1;
    }
  }
  const std::string page = Page(argv[1], std::move(examples)).render();
  for (const auto& w : Page::walkthroughs()) {
    if (page.find("id=\"walk-" + slug(w.example) + "\"") == std::string::npos) {
      std::cerr << "help_page: the walkthrough example " << w.example << ".tessel was not given\n";
      return 1;
    }
  }
  std::ofstream out(argv[2], std::ios::binary);
  out << page;
  if (!out) {
    std::cerr << "help_page: cannot write " << argv[2] << '\n';
    return 1;
  }
  return 0;
}
