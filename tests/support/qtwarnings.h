#pragma once
// Qt warnings in tests: the test main installs a message handler under which
// every qWarning, qCritical or qFatal fails the running test, unless a short
// list of known platform noise or an ExpectQtWarning of the test covers it.
#include <QString>

namespace testenv {

// Installs the handler; the test main calls it before Qt starts.
void installQtMessageCheck();

// True when an unexpected warning came while no test was running (before
// the first test, after the last, or between two): the run must fail.
bool unexpectedQtWarningOutsideTests();

// While alive, Qt warnings whose text contains `pattern` are expected: they
// fail nothing. A Required expectation fails the test if no such warning came
// by the time it ends; a MayAppear one is for warnings that depend on the
// machine (an audio device, a timing).
//
//     testenv::ExpectQtWarning decoding("Error decoding source");
class ExpectQtWarning {
public:
    enum Times { Required, MayAppear };
    explicit ExpectQtWarning(const QString& pattern, Times times = Required);
    ~ExpectQtWarning();
    ExpectQtWarning(const ExpectQtWarning&) = delete;
    ExpectQtWarning& operator=(const ExpectQtWarning&) = delete;

    // How many warnings it has covered so far.
    int count() const;

private:
    int m_id;
};

}  // namespace testenv
