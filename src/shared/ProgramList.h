#pragma once
// The program-wide list convention: entry 0 is never used, entries 1 to the upper bound count.

#include <cassert>
#include <vector>

namespace hivetidy {

// A list indexed from 0 whose entry 0 is a placeholder; an append keeps the order of discovery.
template <class Entry>
class ProgramList {
public:
    ProgramList() = default;

    // Leaves entry 0 alone, i.e. empty.
    void Reset()
    {
        m_entries.assign(1, Entry{});
    }

    // Grows the list by exactly one empty entry at the end and returns it.
    Entry& Append()
    {
        return m_entries.emplace_back();
    }

    // The index of the last entry that counts; 0 when the list is empty.
    [[nodiscard]] int UpperBound() const
    {
        return static_cast<int>(m_entries.size()) - 1;
    }

    Entry& operator[](int index)
    {
        assert(index >= 0 && index <= UpperBound());
        return m_entries[static_cast<std::size_t>(index)];
    }

    const Entry& operator[](int index) const
    {
        assert(index >= 0 && index <= UpperBound());
        return m_entries[static_cast<std::size_t>(index)];
    }

private:
    std::vector<Entry> m_entries{Entry{}};
};

} // namespace hivetidy
