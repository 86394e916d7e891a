#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell::sim {

enum class View { User, System, Port };

// Every command the simulated switch carries out.
enum class Cmd {
    None,
    DisplayCurrent, DisplaySaved, DisplayVersion,
    Quit, Return, Reboot, Save, Super, SystemView, Telnet,
    Interface, Sysname,
    Shutdown, UndoShutdown,
    AccessVlan, UndoAccessVlan,
    LinkAccess, LinkTrunk, LinkHybrid, UndoLinkType,
    TrunkPermit, UndoTrunkPermit,
    MacStatic, UndoMacStatic,
    UserBind, UndoUserBind,
};

enum class ParamKind { Integer, Mac, Ip, Word, VlanList, PortNumber };

struct GrammarNode {
    std::string keyword;          // empty for a parameter
    std::string tag;              // a parameter's name in the command words, e.g. "<vlan>"
    std::string shown;            // a parameter as "?" lists it, e.g. "INTEGER<1-4094>"
    ParamKind kind = ParamKind::Word;
    int min = 0, max = 0;         // range of an Integer, the port count of a PortNumber
    std::string help;
    bool numberMayFollow = false; // "Ethernet1/0/5": the number may be glued to the keyword
    int level = 0;                // command level needed to see this word
    Cmd cmd = Cmd::None;          // the line may end here when set
    std::vector<std::unique_ptr<GrammarNode>> children;

    bool isParam() const { return keyword.empty(); }
};

struct Token {
    std::string text;
    size_t pos = 0; // column in the line
};
std::vector<Token> tokenize(std::string_view line);

enum class ParseStatus { Ok, Empty, Unrecognized, Incomplete, Ambiguous, TooManyParameters, WrongParameter };

struct Parsed {
    ParseStatus status = ParseStatus::Empty;
    size_t column = 0;             // where the error was found
    Cmd cmd = Cmd::None;
    std::vector<std::string> args; // parameter values in order
    const GrammarNode *node = nullptr;
};

// The error line a switch prints under the caret line, e.g. "% Incomplete command found at '^' position.".
const char *parseErrorText(ParseStatus status);

struct HelpItem {
    std::string word;
    std::string help;
};

// The command words of the three views, matched by unique prefix without regard to case.
class Grammar {
public:
    Grammar();
    GrammarNode &root(View view) { return *m_roots[size_t(view)]; }
    const GrammarNode &root(View view) const { return *m_roots[size_t(view)]; }

    // Adds a command given as words; "<name>" stands for a parameter described by `params`,
    // "Word~" for a keyword that a number may be glued to. Helps are looked up in `helps`.
    struct ParamDef {
        std::string name;  // "<vlan>"
        std::string shown; // "INTEGER<1-4094>"
        ParamKind kind;
        int min = 0, max = 0;
        std::string help;
    };
    void add(View view, std::string_view words, Cmd cmd, int level);
    void defineParam(ParamDef def) { m_params.push_back(std::move(def)); }
    void defineHelp(std::string key, std::string help) { m_helps.emplace_back(std::move(key), std::move(help)); }

    Parsed parse(View view, std::string_view line, int level) const;
    // "?" after `line`: the words that may follow (line ends in a blank or is empty) or the words
    // that the last partial word may stand for. An error is reported in `error` instead.
    std::vector<HelpItem> help(View view, std::string_view line, int level, Parsed &error) const;
    // Tab after `line`: the characters that complete its last word, if exactly one word fits.
    std::optional<std::string> complete(View view, std::string_view line, int level) const;

private:
    Parsed walk(const GrammarNode &root, std::vector<Token> tokens, int level) const;
    std::string helpFor(const std::string &parent, const std::string &word) const;

    std::unique_ptr<GrammarNode> m_roots[3];
    std::vector<ParamDef> m_params;
    std::vector<std::pair<std::string, std::string>> m_helps;
};

bool parseMac(std::string_view text, std::string &normalised);
bool parseIp(std::string_view text);
bool parsePortNumber(std::string_view text, int ports, int &number);
bool iequals(std::string_view a, std::string_view b);

} // namespace tarnwell::sim
