#pragma once
// The draw of the expected answer and of the right-hand value from the left-hand value a, shared by
// the quantity and number challenges. Pauses and the processing of pending window messages go
// through ChallengePacing so that tests neither sleep nor depend on timing.

class ChallengePacing
{
public:
    virtual ~ChallengePacing() = default;
    virtual void pause(int milliseconds) = 0;
    virtual void processPendingMessages() = 0;
};

// No pauses and no message processing: challenges built as fast as they can be (tour, benchmark).
class NoPacing final : public ChallengePacing
{
public:
    void pause(int) override {}
    void processPendingMessages() override {}
};

// The order of draws, pauses and re-seeding differs between the callers.
enum class RelationSequence {
    Level3,    // expected; pause; Randomize; pause; right value
    Level4,    // pause; expected; pause; right value
    Numbers,   // pause; expected; pause; Randomize; pause; right value
};

struct Relation {
    int expected;   // -1 left smaller, 0 equal, 1 left bigger
    int right;      // the right-hand value b
};

// At the edges only the two possible relations are drawn: a = 0 is never the bigger value,
// a = max - 1 never the smaller one.
int drawExpectedAnswer(int a, int max);

// b uniform over the values 0..max-1 in the given relation to a; pending messages are processed
// after every try.
int drawRightValue(int expected, int a, int max, ChallengePacing &pacing);

// The whole sequence of one caller, from just after the draw of a.
Relation drawRelation(int a, int max, RelationSequence sequence, ChallengePacing &pacing);
