#pragma once

class QWidget;

// Visits the text boxes of a window in creation order; the first one tagged "1" whose
// text is empty is reported and gets the focus (when it can take it).
bool CheckRequired(QWidget *window);

// The tag property that marks a text box as required.
constexpr const char *kTagProperty = "tag";
