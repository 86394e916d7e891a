#pragma once

#include <QtGlobal>

#include <array>
#include <vector>

namespace tarnwell {

// A non-decreasing sequence of positions (where each line starts, the first row of each line)
// kept in a few bytes per entry: entries are grouped by 64, each group stores its first value
// and the others as offsets from it in the fewest bytes that hold the largest one (none at all
// when the offsets are 0, 1, 2…, as for one-character lines or one-row lines). Reading an entry
// costs the same wherever it is; appending never copies more than its group.
class LineIndex {
public:
    explicit LineIndex(qint64 first = 0) { reset(first); }

    void reset(qint64 first); // holds only `first` afterwards
    void push_back(qint64 value); // not less than back()
    qint64 operator[](qsizetype i) const;
    qint64 back() const { return (*this)[m_size - 1]; }
    qsizetype size() const { return m_size; }
    // The index of the first entry greater than value (size() when none is).
    qsizetype upperBound(qint64 value) const;

private:
    static constexpr int kGroup = 64;
    struct Group {
        qint64 base;
        quint64 at : 60;   // where its offsets begin in m_packed
        quint64 width : 4; // bytes per offset; 0: the offsets are 0, 1, 2…
    };
    void seal(); // packs the open group

    std::vector<Group> m_groups;
    std::vector<quint8> m_packed;
    std::array<qint64, kGroup> m_open{};
    qsizetype m_size = 0;
};

} // namespace tarnwell
