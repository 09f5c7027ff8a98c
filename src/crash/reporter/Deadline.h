#pragma once
// The time a part of the reporter's work may take, as a whole: a machine with thousands of
// processes, modules or threads gets a report cut short, never a reporter that does not end.

#include <chrono>

namespace reporter {

class Deadline
{
public:
    explicit Deadline(std::chrono::milliseconds budget) : m_end(std::chrono::steady_clock::now() + budget) {}
    bool passed() const { return std::chrono::steady_clock::now() >= m_end; }
    std::chrono::milliseconds left() const
    {
        const auto rest = std::chrono::duration_cast<std::chrono::milliseconds>(m_end - std::chrono::steady_clock::now());
        return rest.count() > 0 ? rest : std::chrono::milliseconds(0);
    }

private:
    std::chrono::steady_clock::time_point m_end;
};

} // namespace reporter
