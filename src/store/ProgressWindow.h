#pragma once

#include <QString>
#include <functional>
#include <memory>

// A long step's window with a bar and a cancel button. The catalogue only reports through
// it; the user-interface floor makes the real one and installs the maker at start-up.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;
    // Shows `text` and `value` out of the window's maximum; false once the user cancelled.
    virtual bool step(const QString &text, int value) = 0;

    using Maker =
        std::function<std::unique_ptr<ProgressWindow>(const QString &objectName, const QString &text, int maximum)>;
    static void setMaker(Maker make);
    // Null without a maker or without windows: the work then goes on unseen.
    static std::unique_ptr<ProgressWindow> open(const QString &objectName, const QString &text, int maximum);
};
