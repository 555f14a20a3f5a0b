#pragma once

class QAbstractScrollArea;
class QWidget;

// The main window names its inner area here; until then, and after it closes, fitting does nothing.
void SetMainWindowArea(QAbstractScrollArea *area);

// Places an import window over the main window's whole inner area.
void FitToMainWindow(QWidget *child);
// -1 keeps the window above all others, -2 ends that; other modes do nothing.
void SetTopMost(QWidget *window, int mode);
// Design positions are in twips; 15 twips make one pixel at 96 dpi.
constexpr int Twips(int twips)
{
    return twips / 15;
}
