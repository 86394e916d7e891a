#include "configreader.h"

#include "portcommands.h"

#include <array>
#include <vector>

namespace tarnwell::sim {

namespace {

struct Line {
    std::string text;
    int number;
};

bool startsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

bool isWrittenFromSettings(std::string_view first)
{
    static constexpr std::array<std::string_view, 7> kinds{
        " radius scheme", " domain", "local-user", "interface Vlan-interface", "interface Aux",
        "interface GigabitEthernet", "user-interface"};
    for (std::string_view k : kinds)
        if (startsWith(first, k))
            return true;
    return false;
}

std::vector<std::vector<Line>> blocks(std::string_view text)
{
    std::vector<std::vector<Line>> result(1);
    int number = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string line(text.substr(start, end - start));
        start = end + 1;
        ++number;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line == "return")
            break;
        if (line == "#") {
            result.emplace_back();
        } else if (!line.empty()) {
            result.back().push_back({line, number});
        }
    }
    return result;
}

} // namespace

bool readConfig(std::string_view text, const Grammar &grammar, SwitchConfig &config, std::string &error)
{
    const int ports = int(config.ports.size());
    for (const auto &block : blocks(text)) {
        if (block.empty())
            continue;
        const std::string &first = block.front().text;
        const std::string where = "line " + std::to_string(block.front().number) + ": ";
        if (startsWith(first, " sysname ")) {
            config.sysname = first.substr(9);
            continue;
        }
        if (startsWith(first, "vlan ")) {
            const Parsed p = grammar.parse(View::Port, "port access " + first, 3);
            if (p.status != ParseStatus::Ok) {
                error = where + "not a VLAN: " + first;
                return false;
            }
            config.vlans.insert(std::stoi(p.args.at(0)));
            continue;
        }
        if (startsWith(first, "interface Ethernet")) {
            int number = 0;
            if (!parsePortNumber(first.substr(18), ports, number)) {
                error = where + first.substr(10) + " is not a port of a " + std::to_string(ports) + "-port switch";
                return false;
            }
            for (size_t i = 1; i < block.size(); ++i) {
                const Parsed p = grammar.parse(View::Port, block[i].text, 3);
                if (p.status != ParseStatus::Ok || !applyPortCommand(config, number, p))
                    config.port(number).extraLines.push_back(block[i].text);
            }
            continue;
        }
        if (isWrittenFromSettings(first))
            continue;
        std::vector<std::string> kept;
        for (const Line &l : block)
            kept.push_back(l.text);
        config.extraBlocks.push_back(std::move(kept));
    }
    return true;
}

} // namespace tarnwell::sim
