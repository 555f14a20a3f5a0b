#pragma once

#include <QString>

// Handoff values: a menu command sets them just before it creates the window that reads them.
extern QString gCaption;
extern QString gFilter;
extern int gKind;

// Empties the handoff texts and releases the shared database object. gKind stays.
void ClearSharedState();
