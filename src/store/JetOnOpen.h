#pragma once

#include <QString>

// The catalogue found is an older program's Jet file: the user is asked once whether to
// convert it, and Yes converts it in place with progress and Cancel. One program converts
// at a time; another finding the file meanwhile is told to wait. Returns when `path`
// holds a catalogue of this program; throws AppError otherwise (nothing changed).
class JetOnOpen {
public:
    static void convert(const QString &path, const QString &attachmentFolder);
    // The Jet 3 code page: the key JetCodePage of UserDefault.ini, else GBK.
    static QByteArray codePage();
    // Forgets the answers given in this run (tests).
    static void forgetAnswers();
};
