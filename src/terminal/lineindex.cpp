#include "terminal/lineindex.h"

#include <cstring>

namespace tarnwell {

void LineIndex::reset(qint64 first)
{
    m_groups = {};
    m_packed = {};
    m_size = 0;
    push_back(first);
}

void LineIndex::push_back(qint64 value)
{
    m_open[size_t(m_size % kGroup)] = value;
    ++m_size;
    if (m_size % kGroup == 0)
        seal();
}

void LineIndex::seal()
{
    const qint64 base = m_open[0];
    const quint64 span = quint64(m_open[kGroup - 1] - base);
    bool counting = true;
    for (int k = 0; k < kGroup && counting; ++k)
        counting = m_open[size_t(k)] - base == k;
    const int width = counting ? 0 : span <= 0xff ? 1 : span <= 0xffff ? 2 : span <= 0xffffffffu ? 4 : 8;
    m_groups.push_back({base, m_packed.size(), quint64(width)});
    if (width == 0)
        return;
    const size_t at = m_packed.size();
    m_packed.resize(at + size_t(width) * kGroup);
    for (int k = 0; k < kGroup; ++k) {
        const quint64 off = quint64(m_open[size_t(k)] - base); // little-endian, `width` bytes
        for (int b = 0; b < width; ++b)
            m_packed[at + size_t(k * width + b)] = quint8(off >> (8 * b));
    }
}

qint64 LineIndex::operator[](qsizetype i) const
{
    const size_t g = size_t(i / kGroup);
    const int k = int(i % kGroup);
    if (g >= m_groups.size())
        return m_open[size_t(k)];
    const Group &group = m_groups[g];
    const int width = int(group.width);
    if (width == 0)
        return group.base + k;
    const quint8 *p = m_packed.data() + group.at + size_t(k * width);
    quint64 off = 0;
    for (int b = width - 1; b >= 0; --b)
        off = (off << 8) | p[b];
    return group.base + qint64(off);
}

qsizetype LineIndex::upperBound(qint64 value) const
{
    qsizetype lo = 0, hi = m_size;
    while (lo < hi) {
        const qsizetype mid = lo + (hi - lo) / 2;
        if ((*this)[mid] <= value)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

} // namespace tarnwell
