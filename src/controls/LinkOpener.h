#pragma once

#include <QString>
#include <functional>

// How a button opens its link. The program installs its own opener (the one its dialog seam
// answers, so tests see what was opened); without one the desktop opens it directly.
namespace LinkOpener {
using Open = std::function<bool(const QString &link)>;
void install(Open open);
// False when nothing could open it.
bool open(const QString &link);
} // namespace LinkOpener
