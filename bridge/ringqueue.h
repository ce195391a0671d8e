#pragma once

#include <cstddef>
#include <utility>
#include <vector>

// A first-in first-out queue in one growing ring of slots: once it has held as many items as it
// ever holds at a time, pushing and popping allocate nothing (a std::deque allocates and frees a
// block every few items). T must be default-constructible and movable; a popped slot keeps a
// moved-from T until it is used again. Not synchronized.
template<typename T>
class RingQueue
{
public:
    bool empty() const { return m_size == 0; }
    std::size_t size() const { return m_size; }

    T &front() { return m_slots[m_head]; }
    T &back() { return m_slots[index(m_size - 1)]; }

    void push(T item)
    {
        if (m_size == m_slots.size())
            grow();
        m_slots[index(m_size)] = std::move(item);
        ++m_size;
    }

    T pop()
    {
        T item = std::move(m_slots[m_head]);
        m_slots[m_head] = T();
        m_head = index(1);
        --m_size;
        return item;
    }

    void clear()
    {
        while (!empty())
            pop();
    }

private:
    std::size_t index(std::size_t offset) const { return (m_head + offset) % m_slots.size(); }

    void grow()
    {
        std::vector<T> larger(m_slots.empty() ? 8 : m_slots.size() * 2);
        for (std::size_t i = 0; i < m_size; ++i)
            larger[i] = std::move(m_slots[index(i)]);
        m_slots = std::move(larger);
        m_head = 0;
    }

    std::vector<T> m_slots;
    std::size_t m_head = 0;
    std::size_t m_size = 0;
};
