#pragma once
// Shared test doubles: a random source that plays back a script, and pacing that records the
// pauses and message processing of the relation draw instead of sleeping.

#include "rules/Random.h"
#include "rules/RelationDraw.h"

#include <deque>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

// Plays back scripted values first (each checked against its range), then seeded draws.
class ScriptedRandom : public RandomSource
{
public:
    explicit ScriptedRandom(std::uint32_t seed = 1) : m_engine(seed) {}

    void script(std::initializer_list<int> values) { m_script.insert(m_script.end(), values); }
    bool scriptUsedUp() const { return m_script.empty(); }

    int next(int n) override
    {
        if (keepLog)
            log.push_back("Random(" + std::to_string(n) + ")");
        if (!m_script.empty()) {
            const int value = m_script.front();
            m_script.pop_front();
            if (value < 0 || value >= n)
                throw std::logic_error("scripted value out of range for Random(" + std::to_string(n) + ")");
            return value;
        }
        return std::uniform_int_distribution<int>(0, n - 1)(m_engine);
    }
    void seed(std::uint32_t) override
    {
        if (keepLog)
            log.push_back("Randomize");
    }

    bool keepLog = true;   // long runs turn it off
    std::vector<std::string> log;

private:
    std::deque<int> m_script;
    std::mt19937 m_engine;
};

// Records what the draw asks of the window, into the same log as the random source when given.
class RecordingPacing : public ChallengePacing
{
public:
    explicit RecordingPacing(std::vector<std::string> *log = nullptr) : m_log(log) {}
    void pause(int ms) override
    {
        ++pauses;
        totalPause += ms;
        if (m_log)
            m_log->push_back("pause");
    }
    void processPendingMessages() override
    {
        ++messageRounds;
        if (m_log)
            m_log->push_back("messages");
        if (onMessages)
            onMessages();
    }
    int pauses = 0, totalPause = 0, messageRounds = 0;
    std::function<void()> onMessages;

private:
    std::vector<std::string> *m_log;
};

// Installs a source for the lifetime of a test and restores the previous one.
class RandomSourceScope
{
public:
    explicit RandomSourceScope(RandomSource *source) : m_previous(setRandomSource(source)) {}
    ~RandomSourceScope() { setRandomSource(m_previous); }
    RandomSourceScope(const RandomSourceScope &) = delete;
    RandomSourceScope &operator=(const RandomSourceScope &) = delete;

private:
    RandomSource *m_previous;
};
