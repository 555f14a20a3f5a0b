#include "ScriptedDialogs.h"
#include "TestFolder.h"

#include <QtTest>

// The guarantees both engines give: answers that come late never overwrite another
// record, waits for other programs' locks last until the timeout, faults are told.
class TestEngines : public QObject {
    Q_OBJECT
private slots:
    void placeholder() {}
};

QTEST_MAIN(TestEngines)
#include "test_engines.moc"
