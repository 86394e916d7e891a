#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnwell::sim {

// A long listing shown a screen at a time: 24 lines, then "  ---- More ----". A space shows the
// next screen and Enter one more line, each after wiping the prompt with ESC[42D, 42 blanks and
// ESC[42D (newer images: 16 columns), so the next line starts where the prompt stood; q or
// Ctrl+C ends the listing.
class Pager {
public:
    static constexpr int kPageLines = 24;
    static constexpr char kMore[] = "  ---- More ----";

    explicit Pager(std::vector<std::string> lines, int eraseColumns = 42)
        : m_lines(std::move(lines)),
          m_wipe("\x1b[" + std::to_string(eraseColumns) + "D" + std::string(size_t(eraseColumns), ' ') + "\x1b["
                 + std::to_string(eraseColumns) + "D")
    {
    }

    void start(std::string &out) { show(kPageLines, out); }
    // A key typed at the More prompt; other keys are ignored.
    void key(char c, std::string &out);
    bool done() const { return m_done; }

private:
    void show(int count, std::string &out);

    std::vector<std::string> m_lines;
    std::string m_wipe;
    size_t m_next = 0;
    bool m_done = false;
};

} // namespace tarnwell::sim
