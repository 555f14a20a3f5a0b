#pragma once

#include <QObject>
#include <QPointer>

// While one lives, the questions, prompts and save dialogs of the dialog seam belong to
// its window: they open over it, not behind whichever window the desktop made active.
// Kept as a QObject so the catalogue floor needs no widgets; the dialogs cast it back.
// Guards nest; the innermost wins (an import's progress dialog inside its window's command).
class DialogOwner {
public:
    explicit DialogOwner(QObject *owner);
    ~DialogOwner();
    DialogOwner(const DialogOwner &) = delete;
    DialogOwner &operator=(const DialogOwner &) = delete;

    // The owner of the innermost live guard; null when none is set.
    static QObject *current();

private:
    QPointer<QObject> previous_;
};
