#pragma once

#include <QRandomGenerator>
#include <QString>

#include <gtest/gtest.h>

#include <iostream>

namespace testsupport {

// The random source of a test that kills processes at random moments. Its seed is taken from
// ORDELLO_FAULT_SEED when set, else drawn afresh; it is printed, recorded in the test's XML output and
// attached to every failure, so that a failing run can be replayed with the same random choices.
class FaultRandom {
public:
    FaultRandom() : m_seed(chooseSeed()), m_generator(m_seed), m_trace(__FILE__, __LINE__, describe(m_seed)) {
        std::cout << describe(m_seed) << std::endl;
        ::testing::Test::RecordProperty("faultSeed", std::to_string(m_seed));
    }

    // A number from `lowest` up to, not including, `highest`.
    qint64 bounded(qint64 lowest, qint64 highest) { return m_generator.bounded(lowest, highest); }
    qint64 bounded(qint64 highest) { return m_generator.bounded(highest); }

private:
    static quint32 chooseSeed() {
        const QByteArray given = qgetenv("ORDELLO_FAULT_SEED");
        if (given.isEmpty()) return QRandomGenerator::global()->generate();
        bool ok = false;
        const quint32 seed = given.toUInt(&ok);
        if (!ok)
            ADD_FAILURE() << "ORDELLO_FAULT_SEED is not a whole number from 0 to 4294967295: "
                          << given.data();
        return seed;
    }
    static std::string describe(quint32 seed) {
        return "fault seed " + std::to_string(seed) +
               " (replay with ORDELLO_FAULT_SEED=" + std::to_string(seed) + ")";
    }

    quint32 m_seed;
    QRandomGenerator m_generator;
    ::testing::ScopedTrace m_trace;
};

}  // namespace testsupport
