#include "grammar.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <stdexcept>

namespace tarnwell::sim {

namespace {

char lower(char c)
{
    return char(std::tolower(static_cast<unsigned char>(c)));
}

bool istartsWith(std::string_view word, std::string_view prefix)
{
    return prefix.size() <= word.size() && iequals(word.substr(0, prefix.size()), prefix);
}

bool parseInt(std::string_view text, int &value)
{
    if (text.empty() || text.size() > 9)
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// The letters of a word that a number may follow: "Ethernet1/0/5" -> "Ethernet".
size_t letterCount(std::string_view text)
{
    size_t n = 0;
    while (n < text.size() && !std::isdigit(static_cast<unsigned char>(text[n])))
        ++n;
    return n;
}

bool acceptsParam(const GrammarNode &node, std::string_view text)
{
    int value = 0;
    std::string mac;
    switch (node.kind) {
    case ParamKind::Integer:
        return parseInt(text, value) && value >= node.min && value <= node.max;
    case ParamKind::Mac:
        return parseMac(text, mac);
    case ParamKind::Ip:
        return parseIp(text);
    case ParamKind::Word:
        return !text.empty() && text.size() <= 30;
    case ParamKind::PortNumber:
        return parsePortNumber(text, node.max, value);
    case ParamKind::VlanList:
        return iequals(text, "all") || (parseInt(text, value) && value >= 1 && value <= 4094);
    }
    return false;
}

// Further words of a VLAN list: "1 10", "2 to 8", "all".
struct VlanListState {
    int previous = -1;  // last single VLAN, which a "to" may follow
    bool afterTo = false;
    bool all = false;
};

void startVlanList(VlanListState &s, std::string_view first)
{
    s = {};
    if (iequals(first, "all"))
        s.all = true;
    else
        parseInt(first, s.previous);
}

ParseStatus continueVlanList(VlanListState &s, std::string_view text)
{
    int value = 0;
    if (s.all)
        return ParseStatus::TooManyParameters;
    if (iequals(text, "to")) {
        if (s.previous < 0 || s.afterTo)
            return ParseStatus::WrongParameter;
        s.afterTo = true;
        return ParseStatus::Ok;
    }
    if (!parseInt(text, value) || value < 1 || value > 4094)
        return ParseStatus::WrongParameter;
    if (s.afterTo) {
        if (value < s.previous)
            return ParseStatus::WrongParameter;
        s.afterTo = false;
        s.previous = -1;
    } else {
        s.previous = value;
    }
    return ParseStatus::Ok;
}

std::vector<const GrammarNode *> keywordMatches(const GrammarNode &node, std::string_view text, int level,
                                                bool &exact)
{
    std::vector<const GrammarNode *> found;
    exact = false;
    for (const auto &child : node.children) {
        if (child->isParam() || child->level > level)
            continue;
        const std::string_view word = child->numberMayFollow ? text.substr(0, letterCount(text)) : text;
        if (word.empty() || !istartsWith(child->keyword, word))
            continue;
        if (word.size() == child->keyword.size()) {
            exact = true;
            return {child.get()};
        }
        found.push_back(child.get());
    }
    return found;
}

} // namespace

bool iequals(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lower(x) == lower(y);
           });
}

bool parseMac(std::string_view text, std::string &normalised)
{
    // H-H-H, each group one to four hexadecimal digits; listed as four digits in lower case.
    std::string out;
    size_t start = 0;
    for (int group = 0; group < 3; ++group) {
        const size_t end = group < 2 ? text.find('-', start) : text.size();
        if (end == std::string_view::npos)
            return false;
        const std::string_view digits = text.substr(start, end - start);
        if (digits.empty() || digits.size() > 4
            || !std::all_of(digits.begin(), digits.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
            return false;
        if (group)
            out += '-';
        out += std::string(4 - digits.size(), '0');
        for (char c : digits)
            out += lower(c);
        start = end + 1;
    }
    normalised = out;
    return true;
}

bool parseIp(std::string_view text)
{
    size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        const size_t end = part < 3 ? text.find('.', start) : text.size();
        if (end == std::string_view::npos)
            return false;
        int value = 0;
        if (!parseInt(text.substr(start, end - start), value) || value > 255 || end - start > 3)
            return false;
        start = end + 1;
    }
    return true;
}

bool parsePortNumber(std::string_view text, int ports, int &number)
{
    if (text.substr(0, 4) != "1/0/")
        return false;
    return parseInt(text.substr(4), number) && number >= 1 && number <= ports;
}

std::vector<Token> tokenize(std::string_view line)
{
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ')
            ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ')
            ++i;
        if (i > start)
            tokens.push_back({std::string(line.substr(start, i - start)), start});
    }
    return tokens;
}

const char *parseErrorText(ParseStatus status)
{
    switch (status) {
    case ParseStatus::Unrecognized: return " % Unrecognized command found at '^' position.";
    case ParseStatus::Incomplete: return " % Incomplete command found at '^' position.";
    case ParseStatus::Ambiguous: return " % Ambiguous command found at '^' position.";
    case ParseStatus::TooManyParameters: return " % Too many parameters found at '^' position.";
    case ParseStatus::WrongParameter: return " % Wrong parameter found at '^' position.";
    case ParseStatus::Ok:
    case ParseStatus::Empty: break;
    }
    return "";
}

Grammar::Grammar()
{
    for (auto &root : m_roots)
        root = std::make_unique<GrammarNode>();
}

std::string Grammar::helpFor(const std::string &parent, const std::string &word) const
{
    const std::string specific = parent + ' ' + word;
    for (const auto &[key, help] : m_helps)
        if (key == specific)
            return help;
    for (const auto &[key, help] : m_helps)
        if (key == word)
            return help;
    return {};
}

void Grammar::add(View view, std::string_view words, Cmd cmd, int level)
{
    GrammarNode *node = m_roots[size_t(view)].get();
    std::string parent;
    for (const Token &t : tokenize(words)) {
        std::string word = t.text;
        const bool isParam = word.front() == '<';
        const bool glued = !isParam && word.back() == '~';
        if (glued)
            word.pop_back();
        GrammarNode *next = nullptr;
        for (auto &child : node->children) {
            if (isParam ? child->tag == word : child->keyword == word) {
                next = child.get();
                break;
            }
        }
        if (!next) {
            auto created = std::make_unique<GrammarNode>();
            created->level = level;
            if (isParam) {
                const auto def = std::find_if(m_params.begin(), m_params.end(),
                                               [&](const ParamDef &p) { return p.name == word; });
                if (def == m_params.end())
                    throw std::logic_error("undefined parameter " + word);
                created->tag = def->name;
                created->shown = def->shown;
                created->kind = def->kind;
                created->min = def->min;
                created->max = def->max;
                created->help = def->help;
            } else {
                created->keyword = word;
                created->numberMayFollow = glued;
                created->help = helpFor(parent, word);
            }
            next = created.get();
            node->children.push_back(std::move(created));
        }
        next->level = std::min(next->level, level);
        node = next;
        parent = word;
    }
    node->cmd = cmd;
}

Parsed Grammar::walk(const GrammarNode &root, std::vector<Token> tokens, int level) const
{
    Parsed result;
    const GrammarNode *node = &root;
    VlanListState list;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const Token token = tokens[i];
        auto fail = [&](ParseStatus status) {
            result.status = status;
            result.column = token.pos;
            return result;
        };
        if (node->isParam() && node->kind == ParamKind::VlanList && node != &root) {
            const ParseStatus s = continueVlanList(list, token.text);
            if (s != ParseStatus::Ok)
                return fail(s);
            result.args.back() += ' ' + token.text;
            continue;
        }
        bool exact = false;
        const auto matches = keywordMatches(*node, token.text, level, exact);
        if (matches.size() > 1)
            return fail(ParseStatus::Ambiguous);
        if (matches.size() == 1) {
            const GrammarNode *next = matches.front();
            if (next->numberMayFollow) {
                const size_t letters = letterCount(token.text);
                if (letters < token.text.size())
                    tokens.insert(tokens.begin() + long(i) + 1,
                                  Token{token.text.substr(letters), token.pos + letters});
            }
            node = next;
            continue;
        }
        const GrammarNode *param = nullptr;
        bool hasParams = false;
        for (const auto &child : node->children) {
            if (!child->isParam() || child->level > level)
                continue;
            hasParams = true;
            if (acceptsParam(*child, token.text)) {
                param = child.get();
                break;
            }
        }
        if (param) {
            node = param;
            result.args.push_back(token.text);
            if (param->kind == ParamKind::VlanList)
                startVlanList(list, token.text);
            continue;
        }
        if (hasParams)
            return fail(ParseStatus::WrongParameter);
        const bool hasKeywords = std::any_of(node->children.begin(), node->children.end(),
                                             [&](const auto &c) { return c->level <= level; });
        if (node != &root && !hasKeywords)
            return fail(ParseStatus::TooManyParameters);
        return fail(ParseStatus::Unrecognized);
    }
    result.node = node;
    if (node == &root)
        return result; // Empty
    if (node->isParam() && node->kind == ParamKind::VlanList && list.afterTo) {
        result.status = ParseStatus::Incomplete;
        result.column = tokens.back().pos + tokens.back().text.size();
        return result;
    }
    result.status = node->cmd != Cmd::None ? ParseStatus::Ok : ParseStatus::Incomplete;
    result.cmd = node->cmd;
    if (result.status == ParseStatus::Incomplete)
        result.column = tokens.back().pos + tokens.back().text.size();
    return result;
}

Parsed Grammar::parse(View view, std::string_view line, int level) const
{
    return walk(root(view), tokenize(line), level);
}

std::vector<HelpItem> Grammar::help(View view, std::string_view line, int level, Parsed &error) const
{
    std::vector<Token> tokens = tokenize(line);
    std::string partial;
    if (!line.empty() && line.back() != ' ' && !tokens.empty()) {
        partial = tokens.back().text;
        tokens.pop_back();
    }
    error = walk(root(view), tokens, level);
    if (error.status != ParseStatus::Ok && error.status != ParseStatus::Empty
        && error.status != ParseStatus::Incomplete)
        return {};
    error.status = ParseStatus::Ok;
    const GrammarNode &node = *error.node;
    std::vector<HelpItem> items;
    if (!partial.empty()) {
        for (const auto &child : node.children)
            if (!child->isParam() && child->level <= level && istartsWith(child->keyword, partial))
                items.push_back({child->keyword, {}});
    } else {
        std::vector<HelpItem> words;
        for (const auto &child : node.children) {
            if (child->level > level)
                continue;
            if (child->isParam())
                items.push_back({child->shown, child->help});
            else
                words.push_back({child->keyword, child->help});
        }
        std::sort(words.begin(), words.end(), [](const HelpItem &a, const HelpItem &b) {
            return std::lexicographical_compare(a.word.begin(), a.word.end(), b.word.begin(), b.word.end(),
                                                [](char x, char y) { return lower(x) < lower(y); });
        });
        items.insert(items.end(), words.begin(), words.end());
        if (node.isParam() && node.kind == ParamKind::VlanList)
            items.push_back({node.shown, node.help});
        if (node.cmd != Cmd::None && &node != &root(view))
            items.push_back({"<cr>", {}});
    }
    return items;
}

std::optional<std::string> Grammar::complete(View view, std::string_view line, int level) const
{
    std::vector<Token> tokens = tokenize(line);
    if (tokens.empty() || line.back() == ' ')
        return std::nullopt;
    const std::string last = tokens.back().text;
    tokens.pop_back();
    const Parsed before = walk(root(view), tokens, level);
    if (before.status != ParseStatus::Ok && before.status != ParseStatus::Empty
        && before.status != ParseStatus::Incomplete)
        return std::nullopt;
    bool exact = false;
    const auto matches = keywordMatches(*before.node, last, level, exact);
    if (matches.size() != 1 || letterCount(last) < last.size())
        return std::nullopt;
    return matches.front()->keyword.substr(last.size()) + ' ';
}

} // namespace tarnwell::sim
