#pragma once

#include <QTest>

#include <initializer_list>

// The rows of a table-driven test as one column "c" of the test's own case type, each row named by the
// case's first member `name`; the test takes its row with QFETCH(Case, c).
template <typename Case> void addCases(std::initializer_list<Case> cases) {
    QTest::addColumn<Case>("c");
    for (const Case &c : cases)
        QTest::newRow(c.name) << c;
}
