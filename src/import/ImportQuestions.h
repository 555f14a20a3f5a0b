#pragma once

#include <QString>

// What an import asks the user, answered by the window that runs it. The engine asks
// only with no transaction open.
class ImportQuestions {
public:
    virtual ~ImportQuestions() = default;

    // The catalogue holds the same contents as `fileName` of `category` already: import anyway?
    virtual bool importSameContents(const QString &fileName, const QString &category) = 0;
    // The category has a record named `fileName`: point it at the new copy?
    virtual bool replaceSameName(const QString &fileName) = 0;
    // The name to record instead, `offered` given; empty when the user cancels.
    virtual QString newName(const QString &offered) = 0;

    // The questions as message boxes and a prompt of the dialog seam, owned by the
    // window the caller set.
    static ImportQuestions &viaDialogs();
};
