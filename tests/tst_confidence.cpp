// The benchmark's statistics: the bootstrap interval of a median and the verdict drawn from it.

#include "Confidence.h"

#include <QTest>
#include <random>

namespace {

// Values uniform in [1, 2] (true median 1.5) from a fixed seed; mt19937's output is the same
// everywhere, so the samples are too.
std::vector<double> uniformSample(unsigned seed, int n)
{
    std::mt19937 random(seed);
    std::vector<double> values;
    for (int i = 0; i < n; ++i)
        values.push_back(1.0 + double(random()) / double(std::mt19937::max()));
    return values;
}

} // namespace

class ConfidenceTest : public QObject
{
    Q_OBJECT

private slots:
    void medians()
    {
        const std::vector<double> odd{3, 1, 2}, even{4, 1, 3, 2};
        QCOMPARE(confidence::median(odd), 2.0);
        QCOMPARE(confidence::median(even), 2.5);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, confidence::median({}));
        const std::vector<double> paired = confidence::ratios({2, 9}, {1, 3});
        QVERIFY(paired == (std::vector<double>{2, 3}));
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, confidence::ratios({1, 2}, {1}));
    }

    // A 95 % interval holds the true median in about 95 of 100 samples: not in every one (too wide
    // to decide anything), not in far fewer (the verdicts would be overconfident).
    void intervalCoversTheTrueMedian()
    {
        const confidence::Interval one = confidence::medianInterval(uniformSample(1, 41));
        QVERIFY(one.low <= one.median && one.median <= one.high);
        QVERIFY(one.low < 1.5 && 1.5 < one.high);
        QVERIFY(one.high - one.low < 0.4);
        const confidence::Interval again = confidence::medianInterval(uniformSample(1, 41));
        QCOMPARE(again.low, one.low); // seeded: the same sample gives the same interval
        QCOMPARE(again.high, one.high);

        int covered = 0;
        const int samples = 200;
        for (int seed = 100; seed < 100 + samples; ++seed) {
            const confidence::Interval interval = confidence::medianInterval(uniformSample(seed, 25), 0.95, 1000);
            covered += interval.low <= 1.5 && 1.5 <= interval.high;
        }
        QVERIFY2(covered >= samples * 88 / 100 && covered <= samples * 99 / 100,
                 qPrintable(QStringLiteral("covered %1 of %2").arg(covered).arg(samples)));
    }

    void verdicts()
    {
        auto around = [](double centre, double spread) {
            std::vector<double> values;
            for (double u : uniformSample(7, 30))
                values.push_back(centre + (u - 1.5) * 2 * spread);
            return confidence::medianInterval(values);
        };
        using confidence::Verdict;
        QCOMPARE(confidence::judge(around(1.15, 0.05), 1.30), Verdict::Met);
        QCOMPARE(confidence::judge(around(1.45, 0.05), 1.30), Verdict::Missed);
        QCOMPARE(confidence::judge(around(1.30, 0.05), 1.30), Verdict::Uncertain);
        // A median within the goal is not enough when the interval reaches beyond it.
        const confidence::Interval near = around(1.29, 0.20);
        QVERIFY(near.median < 1.30);
        QCOMPARE(confidence::judge(near, 1.30), Verdict::Uncertain);
    }
};

QTEST_APPLESS_MAIN(ConfidenceTest)
#include "tst_confidence.moc"
